// Commands that show the bus of a recorded run, decoded and written by the code that writes the
// simulated card's files (bus/): its commands with their recorded times, its bus recording (VCD),
// and its bus cost with what the calls took as measured.
#include <cstdio>
#include <memory>
#include <string>

#include "bus_cost.h"
#include "bus_decoding.h"
#include "ch367sim.h"
#include "command_log.h"
#include "command_table.h"
#include "failure.h"
#include "recorded_bus.h"
#include "recording_commands.h"
#include "standard_output.h"
#include "trace_recording.h"

namespace dio {

namespace {

std::string microseconds(std::uint64_t ns, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%*.3f", width, static_cast<double>(ns) / 1e3);
    return text;
}

// The last line of a listing of a cut recording.
std::string cut_note(const ch367bus::Trace& trace) {
    if (!trace.cut) return "";
    return "# the recording is cut " + cut_description(trace) + "; the calls after it are lost\n";
}

std::string show_text(const ch367bus::Trace& trace) {
    const ch367bus::RecordingCommands recording(trace);
    const ch367bus::CommandDecoder& decoder = recording.decoder();
    std::string text =
        "# Commands the host sent, decoded from the recorded bridge calls, one per line:\n"
        "# transaction numbers (#- for none), the time of the command's first bus event in\n"
        "# microseconds since the first call, how long it took to the end of its last one, the\n"
        "# command, and after \";\" the export it is attributed to. A run of identical commands\n"
        "# is one line: the transactions of the first to the last, and (xN) their count.\n";
    for (const ch367bus::DecodedCommand& command : decoder.commands()) {
        text += ch367bus::command_transactions(command) +
                microseconds(recording.since_first_call(command.time), 14) +
                microseconds(command.end - command.time, 12) + "  " +
                ch367bus::command_attributed(command, decoder) + "\n";
    }
    return text + cut_note(trace);
}

Action define_show(CLI::App& command) {
    auto path = std::make_shared<std::string>();
    command.add_option("file", *path, "recording left by the recorder")->required();
    return [path](Session&) { write_standard_output(show_text(read_recording(*path))); };
}

struct VcdRequest {
    std::string recording;
    std::string output;
    std::uint64_t limit = ch367bus::VcdRecorder::kDefaultLimit;
};

void write_vcd(const VcdRequest& request) {
    const ch367bus::Trace trace = read_recording(request.recording);
    ch367bus::BusDecoding bus({.vcd = true, .vcd_limit = request.limit,
                               .vcd_teller = {"dio", "--limit"}},
                              CH367SIM_POWER_ON_LINES, 0);
    ch367bus::decode_recording(trace, bus);
    if (!bus.write_vcd(request.output)) throw Failure("could not write " + request.output);
    if (trace.cut) {
        std::fprintf(stderr, "dio: %s is cut %s; the bus recording ends with the calls before it\n",
                     request.recording.c_str(), cut_description(trace).c_str());
    }
}

Action define_vcd(CLI::App& command) {
    auto request = std::make_shared<VcdRequest>();
    command.add_option("file", request->recording, "recording left by the recorder")->required();
    command.add_option("-o,--output", request->output, "the bus recording to write (VCD)")
        ->required();
    command.add_option("--limit", request->limit, "largest size of the bus recording in bytes")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    return [request](Session&) { write_vcd(*request); };
}

// What the register calls took as recorded: the span from the first one's start to the last
// one's, over the intervals between them. Each interval holds one call and the host's own work
// up to the next, as a host program on the card sees it.
std::string measured_text(const ch367bus::Trace& trace) {
    std::uint64_t count = 0, first = 0, last = 0;
    for (const ch367bus::TraceCall& call : trace.calls) {
        if (call.function != ch367bus::Function::read_io_byte &&
            call.function != ch367bus::Function::write_io_byte) {
            continue;
        }
        if (count++ == 0) first = call.time_ns;
        last = call.time_ns;
    }
    std::string text =
        "\n# As recorded: the register calls (CH367ReadIoByte, CH367WriteIoByte), the time from the\n"
        "# first one's start to the last one's, and that time over the intervals between them.\n";
    text += "register calls   " + std::to_string(count) + "\n";
    if (count < 2 || last == first) return text + "time per access  (too few calls to measure)\n";
    char line[96];
    const double span = static_cast<double>(last - first);
    const double intervals = static_cast<double>(count - 1);
    std::snprintf(line, sizeof line,
                  "span             %.6f s\ntime per access  %.3f us\naccesses/s       %.0f\n",
                  span / 1e9, span / intervals / 1e3, intervals / span * 1e9);
    return text + line;
}

std::string cost_text(const ch367bus::Trace& trace) {
    const ch367bus::RecordingCommands recording(trace);
    return ch367bus::bus_cost_text(recording.decoder(), recording.unattributed(),
                                   "the card it was recorded on") +
           measured_text(trace) + cut_note(trace);
}

Action define_cost(CLI::App& command) {
    auto path = std::make_shared<std::string>();
    command.add_option("file", *path, "recording left by the recorder")->required();
    return [path](Session&) { write_standard_output(cost_text(read_recording(*path))); };
}

constexpr Command kCommands[] = {
    {"trace", "show", "the commands the recorded calls sent, with their times and exports",
     define_show},
    {"trace", "vcd", "the recorded bus as a value change dump, with the recorded times",
     define_vcd},
    {"trace", "cost", "the bus cost by export, and what the register calls took as recorded",
     define_cost},
};

}  // namespace

std::span<const Command> trace_decoding_commands() { return kCommands; }

}  // namespace dio
