// Commands for the simulated card itself: power-cycling the shared card, and watching it live.
#include <cstdio>
#include <memory>

#include "command_table.h"
#include "failure.h"
#include "simulator_link.h"
#include "view_server.h"

namespace dio {

namespace {

Action define_power_cycle(CLI::App&) {
    return [](Session&) { simulator_function<void()>("ch367sim_reset")(); };
}

Action define_view(CLI::App& command) {
    auto options = std::make_shared<ViewOptions>();
    command.add_option("--port", options->port, "port on 127.0.0.1 (0: a free one)")
        ->check(CLI::Range(0, 65535));
    return [options](Session& session) {
        const int shared = simulator_function<int()>("ch367sim_card_shared")();
        if (shared < 0) throw Failure("the card file was refused");
        if (shared == 0) throw Failure("no card file: give --card PATH or set CH367SIM_CARD");
        serve_view(*options, session, [](const std::string& url) {
            std::printf("dio view: %s\n", url.c_str());
            std::fflush(stdout);
        });
    };
}

constexpr Command kCommands[] = {
    {"", "card", "the simulated card (CH367SIM_CARD, --card)", nullptr},
    {"card", "power-cycle", "put the simulated card back to its power-on state", define_power_cycle},
    {"", "view", "show and run the simulated card live in a browser on 127.0.0.1 (Ctrl-C ends it)",
     define_view},
};

}  // namespace

std::span<const Command> simulator_commands() { return kCommands; }

}  // namespace dio
