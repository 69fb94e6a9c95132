#include "call_trace.h"

#include <filesystem>
#include <system_error>

#include "driver_library.h"

namespace ch367sim {

std::unique_ptr<ch367bus::CallRecording> start_call_trace(const std::string& path) {
    if (path.empty()) return nullptr;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
    auto recording = std::make_unique<ch367bus::CallRecording>("ch367sim");
    recording->open(path, kTraceDriverName, ch367bus::process_id());
    return recording;
}

}  // namespace ch367sim
