#include "trace_recording.h"

#include "failure.h"

namespace dio {

ch367bus::Trace read_recording(const std::string& path) {
    std::string error;
    std::optional<ch367bus::Trace> trace = ch367bus::read_trace(path, error);
    if (!trace) throw Failure(path + ": " + error);
    return std::move(*trace);
}

std::string cut_description(const ch367bus::Trace& trace) {
    if (!trace.cut) return "";
    return "at byte " + std::to_string(trace.cut->offset) + ", after chunk " +
           std::to_string(trace.chunks) + ": " + trace.cut->reason;
}

}  // namespace dio
