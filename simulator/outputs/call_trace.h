// The simulator's own recording of the driver calls (CH367SIM_TRACE, bus.trace), in the
// recorder's format and with its policy, so that a run on the simulator compares with one
// recorded on the card.
#pragma once

#include <memory>
#include <string>

#include "call_recording.h"

namespace ch367sim {

// What the recording names as its driver.
inline constexpr const char* kTraceDriverName = "the card simulator (CH367SIM_TRACE)";

// A recording started at `path` (its directory created), the first call coming now; null for
// an empty path.
std::unique_ptr<ch367bus::CallRecording> start_call_trace(const std::string& path);

}  // namespace ch367sim
