// A recording of the bridge calls as the `dio trace` commands read it.
#pragma once

#include <string>

#include "trace_file.h"

namespace dio {

// Reads the recording at `path`; throws Failure when it is not one this dio reads.
ch367bus::Trace read_recording(const std::string& path);
// Where a cut recording's readable part ends: "at byte N, after chunk K: REASON".
std::string cut_description(const ch367bus::Trace& trace);

}  // namespace dio
