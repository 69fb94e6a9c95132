// Replaying a recording of the bridge calls on the simulated card (or another driver) and
// comparing two recordings call by call: the checks that a host program still does what it
// did, and that the simulator answers as the card did.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "ch367sim.h"
#include "command_table.h"
#include "comparable_calls.h"
#include "driver_library.h"
#include "failure.h"
#include "recording_commands.h"
#include "simulator_link.h"
#include "standard_output.h"
#include "time_source.h"
#include "trace_file.h"
#include "trace_recording.h"

namespace dio {

namespace {

using ch367bus::ComparableCall;
using ch367bus::Function;
using ch367bus::TraceCall;

constexpr std::size_t kDifferencesShown = 20;
constexpr std::size_t kContextCalls = 3;  // calls shown on each side of the first difference

std::string cut_note(const std::string& path, const ch367bus::Trace& trace) {
    if (!trace.cut) return "";
    return path + ": cut " + cut_description(trace) + "; its " + std::to_string(trace.calls.size()) +
           " readable calls are used\n";
}

// The five functions of the simulator dio runs with (the library the card library loaded).
ch367bus::DriverFunctions simulator_driver() {
    if (find_simulator_function("ch367sim_reset") == nullptr) throw_not_simulated();
    ch367bus::DriverFunctions driver;
    std::string error;
    if (!ch367bus::find_driver_functions(find_simulator_function, driver, error)) {
        throw Failure("the card simulator's driver library: " + error);
    }
    return driver;
}

ch367bus::DriverFunctions loaded_driver(const std::string& path) {
    ch367bus::DriverFunctions driver;
    std::string error;
    if (!ch367bus::load_driver(path, driver, error)) {
        throw Failure("cannot load the driver " + path + ": " + error);
    }
    return driver;
}

// A call replayed whose answer differs from the recorded one: the call as recorded and as
// replayed (the address as the recording has it).
struct Mismatch {
    std::size_t index;
    ComparableCall recorded;
    ComparableCall replayed;
};

// Drives `driver` with the calls in order. Addresses are moved from the recorded I/O base to
// the base the driver reports, once both are known.
class Replay {
public:
    explicit Replay(const ch367bus::DriverFunctions& driver) : driver_(driver) {}

    // The call replayed, as comparable_calls() makes the recorded one (`recorded` is that).
    ComparableCall call(const TraceCall& call, const ComparableCall& recorded) {
        ComparableCall replayed = recorded;
        const bool null = (call.flags & ch367bus::kNullPointer) != 0;
        switch (call.function) {
        case Function::open_device: {
            void* const handle = driver_.open_device(static_cast<std::int32_t>(call.address),
                                                     call.argument, call.value);
            replayed.success = handle != ch367bus::kInvalidDeviceHandle;
            break;
        }
        case Function::get_io_base: {
            std::uint64_t base = 0;
            replayed.success = driver_.get_io_base(null ? nullptr : &base) != 0;
            if (replayed.success && !null) replay_base_ = base;
            if (recorded.success && !null) recorded_base_ = call.address;
            if (replay_base_ != kUnknown && recorded_base_ != kUnknown) {
                shift_ = replay_base_ - recorded_base_;
            }
            break;
        }
        case Function::read_io_byte: {
            std::uint8_t byte = 0;
            replayed.success = driver_.read_io_byte(address(call), null ? nullptr : &byte) != 0;
            replayed.value = replayed.success && !null ? byte : 0;
            break;
        }
        case Function::write_io_byte:
            replayed.success = driver_.write_io_byte(address(call), call.value) != 0;
            break;
        case Function::close_device:
            driver_.close_device();
            break;
        default:
            break;
        }
        return replayed;
    }

private:
    static constexpr std::uint64_t kUnknown = ~std::uint64_t{0};

    std::uint64_t address(const TraceCall& call) const { return call.address + shift_; }

    const ch367bus::DriverFunctions& driver_;
    std::uint64_t recorded_base_ = kUnknown;
    std::uint64_t replay_base_ = kUnknown;
    std::uint64_t shift_ = 0;  // from the recorded base to the driver's, modulo 2^64
};

std::string call_number(std::size_t index) { return "call " + std::to_string(index + 1); }

// The time between the calls as recorded. On the simulated card, the pattern generator's clock
// is held (test time) and moved on by the recorded time before each call, so that what a
// running pattern shows is what it showed in the recorded run, however fast the replay goes;
// its clock setting is put back at the end. Through another driver, each call waits until it
// is as late, from the first, as it was in the recording.
class RecordedTime {
public:
    explicit RecordedTime(bool simulated) : simulated_(simulated) {
        if (!simulated_) return;
        settings_ = simulator_function<ch367sim_pg_run_settings()>("ch367sim_pg_get_run_settings");
        clock_ = settings_().clock;
        simulator_function<int(int)>("ch367sim_pg_set_clock")(CH367SIM_PG_CLOCK_TEST);
        advance_ = simulator_function<std::uint64_t(std::uint64_t)>("ch367sim_pg_advance");
    }
    ~RecordedTime() {
        if (simulated_) simulator_function<int(int)>("ch367sim_pg_set_clock")(clock_);
    }
    RecordedTime(const RecordedTime&) = delete;
    RecordedTime& operator=(const RecordedTime&) = delete;

    // Time has come to `time_ns`, since the first call.
    void reach(std::uint64_t time_ns) {
        if (!simulated_) {
            while (ch367bus::monotonic_ns() - start_ < time_ns) {
            }
            return;
        }
        // The samples due by then, whether a pattern runs or not (the sample rate is read at
        // each call: the run model may be changed by no one but dio, and this is dio).
        const std::uint64_t rate = settings_().sample_rate;
        const auto due = static_cast<std::uint64_t>(static_cast<long double>(time_ns) * rate / 1e9L);
        if (due > samples_) advance_(due - samples_);
        samples_ = due;
    }

private:
    bool simulated_;
    int clock_ = CH367SIM_PG_CLOCK_REAL;
    ch367sim_pg_run_settings (*settings_)() = nullptr;
    std::uint64_t (*advance_)(std::uint64_t) = nullptr;
    std::uint64_t samples_ = 0;
    std::uint64_t start_ = ch367bus::monotonic_ns();
};

void replay_recording(const std::string& path, const std::optional<std::string>& driver_path) {
    const ch367bus::Trace trace = read_recording(path);
    const ch367bus::DriverFunctions driver =
        driver_path ? loaded_driver(*driver_path) : simulator_driver();
    const std::vector<ComparableCall> recorded = ch367bus::comparable_calls(trace.calls);
    Replay replay(driver);
    std::vector<Mismatch> mismatches;
    std::size_t differing = 0;
    RecordedTime time(!driver_path);
    const std::uint64_t first_time = trace.calls.empty() ? 0 : trace.calls.front().time_ns;
    for (std::size_t i = 0; i < trace.calls.size(); ++i) {
        time.reach(trace.calls[i].time_ns - first_time);
        const ComparableCall replayed = replay.call(trace.calls[i], recorded[i]);
        if (replayed == recorded[i]) continue;
        ++differing;
        if (mismatches.size() < kDifferencesShown) mismatches.push_back({i, recorded[i], replayed});
    }
    std::string text = cut_note(path, trace);
    if (differing == 0) {
        write_standard_output(text + "replayed " + std::to_string(trace.calls.size()) +
                              " calls: every answer as recorded\n");
        return;
    }
    const ch367bus::RecordingCommands commands(trace);
    for (const Mismatch& m : mismatches) {
        text += call_number(m.index) + ": " + ch367bus::describe(m.recorded) + " recorded, " +
                ch367bus::describe(m.replayed) + " replayed ; " +
                commands.describe(commands.command_of(m.index)) + "\n";
    }
    if (differing > mismatches.size()) {
        text += "... and " + std::to_string(differing - mismatches.size()) + " more\n";
    }
    write_standard_output(text);
    throw Failure(std::to_string(differing) + " of " + std::to_string(trace.calls.size()) +
                  " answers differ from the recording");
}

// One side of a comparison: its calls and, when a difference is shown, its commands.
struct Side {
    std::string label;
    ch367bus::Trace trace;
    std::vector<ComparableCall> calls;

    std::string call_text(std::size_t index) const {
        return index < calls.size() ? ch367bus::describe(calls[index]) : "(the recording ends)";
    }
};

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::string difference_text(const Side& a, const Side& b, std::size_t first, std::size_t count) {
    std::string text = "first difference at " + call_number(first) + ":\n";
    for (const Side* side : {&a, &b}) {
        const ch367bus::RecordingCommands commands(side->trace);
        text += "  " + side->label + "  " + side->call_text(first) + " ; " +
                commands.describe(commands.command_of(first)) + "\n";
    }
    text += "calls around it (A | B):\n";
    const std::size_t last = std::max(a.calls.size(), b.calls.size());
    for (std::size_t i = first - std::min(first, kContextCalls);
         i <= std::min(first + kContextCalls, last - 1); ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%c %8zu  ", i == first ? '>' : ' ', i + 1);
        text += number + padded(a.call_text(i), 48) + " | " + b.call_text(i) + "\n";
    }
    text += std::to_string(count) + (count == 1 ? " call differs" : " calls differ") + " (A has " + std::to_string(a.calls.size()) +
            ", B " + std::to_string(b.calls.size()) + ")\n";
    return text;
}

void compare_recordings(const std::string& path_a, const std::string& path_b) {
    Side a{"A", read_recording(path_a), {}};
    Side b{"B", read_recording(path_b), {}};
    a.calls = ch367bus::comparable_calls(a.trace.calls);
    b.calls = ch367bus::comparable_calls(b.trace.calls);
    const std::size_t common = std::min(a.calls.size(), b.calls.size());
    std::optional<std::size_t> first;
    std::size_t count = std::max(a.calls.size(), b.calls.size()) - common;
    for (std::size_t i = 0; i < common; ++i) {
        if (a.calls[i] == b.calls[i]) continue;
        if (!first) first = i;
        ++count;
    }
    if (!first && count != 0) first = common;
    std::string text = cut_note(path_a, a.trace) + cut_note(path_b, b.trace);
    if (!first) {
        write_standard_output(text + "the same " + std::to_string(common) + " calls\n");
        return;
    }
    write_standard_output(text + difference_text(a, b, *first, count));
    throw Failure("the recordings differ");
}

Action define_replay(CLI::App& command) {
    auto path = std::make_shared<std::string>();
    auto driver = std::make_shared<std::string>();
    command.add_option("file", *path, "recording to replay")->required();
    CLI::Option* driver_option = command.add_option(
        "--driver", *driver, "replay through this driver library, loaded by path, instead of the "
                             "simulated card");
    command.add_option_function<std::string>(
        "--card", [](const std::string& card) { set_card_path(card); },
        "replay on the simulated card kept in this file (as dio's own --card)");
    return [path, driver, driver_option](Session&) {
        replay_recording(*path, driver_option->count() > 0 ? std::optional(*driver) : std::nullopt);
    };
}

Action define_compare(CLI::App& command) {
    auto a = std::make_shared<std::string>();
    auto b = std::make_shared<std::string>();
    command.add_option("a", *a, "a recording")->required();
    command.add_option("b", *b, "the recording to compare it with")->required();
    return [a, b](Session&) { compare_recordings(*a, *b); };
}

constexpr Command kCommands[] = {
    {"trace", "replay",
     "drive the simulated card (or --driver) with a recording's calls; report every answer "
     "that differs",
     define_replay},
    {"trace", "compare",
     "compare two recordings call by call, times ignored; exit status 1 when they differ",
     define_compare},
};

}  // namespace

std::span<const Command> trace_replay_commands() { return kCommands; }

}  // namespace dio
