// Commands for the simulated card itself: power-cycling the shared card, saving and restoring
// it, and watching it live.
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "command_table.h"
#include "failure.h"
#include "simulator_link.h"
#include "view_server.h"

namespace dio {

namespace {

Action define_power_cycle(CLI::App&) {
    return [](Session&) { simulator_function<void()>("ch367sim_reset")(); };
}

// The card file's card, for the commands that have no use for a card private to dio.
void require_card_file() {
    const int shared = simulator_function<int()>("ch367sim_card_shared")();
    if (shared < 0) throw Failure("the card file was refused");
    if (shared == 0) throw Failure("no card file: give --card PATH or set CH367SIM_CARD");
}

// card save FILE / card restore FILE: the card copied out to a card file, or back, under its lock.
template <const char* kFunction>
Action define_copy(CLI::App& command) {
    auto file = std::make_shared<std::string>();
    command.add_option("file", *file, "the card file to write or read")->required();
    return [file](Session&) {
        require_card_file();
        char problem[512] = {};
        if (simulator_function<int(const char*, char*, std::size_t)>(kFunction)(
                file->c_str(), problem, sizeof problem) == 0) {
            throw Failure(problem);
        }
    };
}
constexpr char kSave[] = "ch367sim_card_save";
constexpr char kRestore[] = "ch367sim_card_restore";

Action define_view(CLI::App& command) {
    auto options = std::make_shared<ViewOptions>();
    command.add_option("--port", options->port, "port on 127.0.0.1 (0: a free one)")
        ->check(CLI::Range(0, 65535));
    return [options](Session& session) {
        require_card_file();
        serve_view(*options, session, [](const std::string& url) {
            std::printf("dio view: %s\n", url.c_str());
            std::fflush(stdout);
        });
    };
}

constexpr Command kCommands[] = {
    {"", "card", "the simulated card (CH367SIM_CARD, --card)", nullptr},
    {"card", "power-cycle", "put the simulated card back to its power-on state", define_power_cycle},
    {"card", "save", "copy the simulated card to a card file FILE, safely while programs use it",
     define_copy<kSave>},
    {"card", "restore", "put the card saved in FILE on the simulated card (not cp over the card file)",
     define_copy<kRestore>},
    {"", "view", "show and run the simulated card live in a browser on 127.0.0.1 (Ctrl-C ends it)",
     define_view},
};

}  // namespace

std::span<const Command> simulator_commands() { return kCommands; }

}  // namespace dio
