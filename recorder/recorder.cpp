#include "recorder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace ch367rec {

namespace {

std::string trace_path() {
    const char* value = std::getenv("CH367REC_TRACE");
    const std::string name = value != nullptr
                                 ? value
                                 : "CH367DLL64-" + std::to_string(ch367bus::process_id()) + ".trace";
    if (name.empty()) return name;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(name, error);
    return error ? name : absolute.string();
}

}  // namespace

// Never destroyed: calls from exit handlers still reach the driver and the recording.
Recorder& recorder() {
    static Recorder* const instance = new Recorder;
    return *instance;
}

void Recorder::start() {
    started_ = true;
    const char* variable = std::getenv("CH367REC_DRIVER");
    const std::string driver_path =
        variable != nullptr ? variable : ch367bus::default_driver_path();
    std::string error;
    if (driver_path.empty()) {
        std::fprintf(stderr,
                     "ch367rec: no driver to forward to: set CH367REC_DRIVER to its path\n");
    } else if (!ch367bus::load_driver(driver_path, driver_, error)) {
        std::fprintf(stderr, "ch367rec: cannot load the driver %s: %s\n", driver_path.c_str(),
                     error.c_str());
    } else if (driver_.open_device == own_open_device()) {
        driver_ = {};
        std::fprintf(stderr, "ch367rec: cannot load the driver %s: it is the recorder itself\n",
                     driver_path.c_str());
    }
    const std::string path = trace_path();
    if (!path.empty()) recording_.open(path, driver_path, ch367bus::process_id());
}

}  // namespace ch367rec
