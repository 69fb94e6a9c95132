// Commands on recordings of the bridge calls that the recorder (the CH367DLL64 of recorder/)
// leaves: what a recording holds.
#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "command_table.h"
#include "standard_output.h"
#include "trace_recording.h"

namespace dio {

namespace {

std::string line(const char* label, const std::string& value) {
    char start[32];
    std::snprintf(start, sizeof start, "%-13s", label);
    return start + value + "\n";
}

std::string info_text(const std::string& path, const ch367bus::Trace& trace) {
    std::string text = line("recording", path + " (format " + std::to_string(trace.version) + ")");
    text += line("driver", trace.driver_path);
    text += line("process", std::to_string(trace.process_id));
    text += line("calls", std::to_string(trace.calls.size()) + " in " +
                              std::to_string(trace.chunks) + " chunks");
    std::array<std::size_t, ch367bus::kFunctionCount + 1> by_function{};
    for (const ch367bus::TraceCall& call : trace.calls) {
        const auto index = static_cast<std::size_t>(call.function);
        ++by_function[index <= ch367bus::kFunctionCount ? index : 0];
    }
    for (std::size_t index = 1; index < by_function.size(); ++index) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "  %-20s%10zu\n",
                      ch367bus::function_name(static_cast<ch367bus::Function>(index)),
                      by_function[index]);
        text += entry;
    }
    if (by_function[0] != 0) {
        text += "  unknown function    " + std::to_string(by_function[0]) + "\n";
    }
    if (!trace.calls.empty()) {
        const std::uint64_t span_ns = trace.calls.back().time_ns - trace.calls.front().time_ns;
        char span[64];
        std::snprintf(span, sizeof span, "%.6f s, first call to last",
                      static_cast<double>(span_ns) / 1e9);
        text += line("span", span);
    }
    if (trace.cut) {
        text += line("cut", cut_description(trace));
    } else {
        text += line("complete", "yes");
    }
    return text;
}

Action define_info(CLI::App& command) {
    auto path = std::make_shared<std::string>();
    command.add_option("file", *path, "recording left by the recorder")->required();
    return [path](Session&) { write_standard_output(info_text(*path, read_recording(*path))); };
}

constexpr Command kCommands[] = {
    {"", "trace", "read recordings of the bridge calls (CH367REC_TRACE)", nullptr},
    {"trace", "info", "what a recording holds: driver, calls by function, span, whether it was cut",
     define_info},
};

}  // namespace

std::span<const Command> trace_commands() { return kCommands; }

}  // namespace dio
