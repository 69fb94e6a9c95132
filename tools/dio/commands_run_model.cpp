// Commands for the simulated pattern generator's run model: its settings, and test time.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "ch367sim.h"
#include "command_table.h"
#include "failure.h"
#include "simulator_link.h"

namespace dio {

namespace {

void print_settings() {
    const ch367sim_pg_run_settings s =
        simulator_function<ch367sim_pg_run_settings()>("ch367sim_pg_get_run_settings")();
    std::printf("clock:           %s\n", s.clock == CH367SIM_PG_CLOCK_TEST ? "test" : "real");
    std::printf("sample rate:     %llu Hz\n", static_cast<unsigned long long>(s.sample_rate));
    std::printf("length:          %s\n",
                s.length == 0 ? "default" : std::to_string(s.length).c_str());
    std::printf("pattern length:  %u words\n", static_cast<unsigned>(s.pattern_length));
    std::printf("repeat:          %s\n", s.repeat != 0 ? "on" : "off");
}

struct RunModelArguments {
    std::optional<std::string> clock;
    std::optional<std::uint64_t> rate;
    std::optional<std::string> length;
    std::optional<std::string> repeat;
};

void check_set(int done, const char* what) {
    if (done == 0) throw Failure(std::string("the simulator refused the ") + what);
}

Action define_run_model(CLI::App& command) {
    auto args = std::make_shared<RunModelArguments>();
    command.add_option("--clock", args->clock, "real: plays in real time; test: only by `card advance`")
        ->check(CLI::IsMember({"real", "test"}));
    command.add_option("--rate", args->rate, "sample rate in Hz")
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{CH367SIM_PG_MAX_SAMPLE_RATE}));
    command.add_option("--length", args->length,
                       "words the pattern plays, 1..65536, or \"default\" (up to the highest "
                       "output word written since the memory was cleared)");
    command.add_option("--repeat", args->repeat, "on: wrap to word 0 after the last word")
        ->check(CLI::IsMember({"on", "off"}));
    return [args](Session&) {
        if (args->clock) {
            check_set(simulator_function<int(int)>("ch367sim_pg_set_clock")(
                          *args->clock == "test" ? CH367SIM_PG_CLOCK_TEST : CH367SIM_PG_CLOCK_REAL),
                      "clock");
        }
        if (args->rate) {
            check_set(simulator_function<int(std::uint64_t)>("ch367sim_pg_set_sample_rate")(*args->rate),
                      "sample rate");
        }
        if (args->length) {
            std::uint32_t words = 0;
            if (*args->length != "default") {
                try {
                    const unsigned long value = std::stoul(*args->length);
                    if (value == 0 || value > CH367SIM_PG_MEMORY_WORDS) throw std::out_of_range("");
                    words = static_cast<std::uint32_t>(value);
                } catch (const std::logic_error&) {
                    throw Failure("--length: " + *args->length + " is not 1..65536 or \"default\"",
                                  kExitUsage);
                }
            }
            check_set(simulator_function<int(std::uint32_t)>("ch367sim_pg_set_length")(words), "length");
        }
        if (args->repeat) {
            simulator_function<void(int)>("ch367sim_pg_set_repeat")(*args->repeat == "on" ? 1 : 0);
        }
        print_settings();
    };
}

Action define_advance(CLI::App& command) {
    auto samples = std::make_shared<std::uint64_t>(0);
    command.add_option("samples", *samples, "samples to play")->required();
    return [samples](Session&) {
        const std::uint64_t played =
            simulator_function<std::uint64_t(std::uint64_t)>("ch367sim_pg_advance")(*samples);
        std::printf("played:          %llu samples\n", static_cast<unsigned long long>(played));
    };
}

constexpr Command kCommands[] = {
    {"card", "run-model",
     "the simulated pattern generator's clock, sample rate, pattern length and repeat (shown, "
     "and set by the options given)",
     define_run_model},
    {"card", "advance", "test time: play SAMPLES samples of a running pattern", define_advance},
};

}  // namespace

std::span<const Command> run_model_commands() { return kCommands; }

}  // namespace dio
