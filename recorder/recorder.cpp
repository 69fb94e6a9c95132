#include "recorder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ch367rec {

namespace {

constexpr std::uint64_t kFlushInterval_ns = 100'000'000;
// How often the monotonic clock is read between calls; far below the flush interval, so a chunk
// is never more than about this much late.
constexpr std::uint64_t kCheckInterval_ns = 1'000'000;

std::string trace_path() {
    const char* value = std::getenv("CH367REC_TRACE");
    const std::string name =
        value != nullptr ? value : "CH367DLL64-" + std::to_string(process_id()) + ".trace";
    if (name.empty()) return name;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(name, error);
    return error ? name : absolute.string();
}

// Flushes the recording when the process ends, and keeps later calls (from other exit
// handlers) recorded one by one. The recorder itself is never destroyed.
struct ExitFlush {
    ~ExitFlush() { recorder().flush_at_exit(); }
} exit_flush;

}  // namespace

Recorder& recorder() {
    static Recorder* const instance = new Recorder;
    return *instance;
}

void Recorder::start() {
    started_ = true;
    origin_ = last_flush_ = ch367bus::clock_point();
    const char* variable = std::getenv("CH367REC_DRIVER");
    const std::string driver_path = variable != nullptr ? variable : default_driver_path();
    std::string error;
    if (driver_path.empty()) {
        std::fprintf(stderr,
                     "ch367rec: no driver to forward to: set CH367REC_DRIVER to its path\n");
    } else if (!load_driver(driver_path, driver_, error)) {
        std::fprintf(stderr, "ch367rec: cannot load the driver %s: %s\n", driver_path.c_str(),
                     error.c_str());
    } else if (driver_.open_device == own_open_device()) {
        driver_ = {};
        std::fprintf(stderr, "ch367rec: cannot load the driver %s: it is the recorder itself\n",
                     driver_path.c_str());
    }
    trace_path_ = trace_path();
    if (trace_path_.empty()) return;
    if (!writer_.open(trace_path_, driver_path, origin_, process_id(), error)) {
        stop_recording(error);
    }
}

void Recorder::check_flush(std::uint64_t now_ticks) {
    const ch367bus::ClockPoint now = ch367bus::clock_point();
    if (exiting_ || writer_.full() || now.ns - last_flush_.ns >= kFlushInterval_ns) {
        std::string error;
        if (!writer_.flush(now, exiting_, error)) stop_recording(error);
        last_flush_ = now;
    }
    // Ticks per check interval, from the rate seen since the first call (none yet: check at
    // every call until a rate can be measured).
    const std::uint64_t elapsed_ns = now.ns - origin_.ns;
    const std::uint64_t elapsed_ticks = now.ticks - origin_.ticks;
    next_check_ = elapsed_ns >= kCheckInterval_ns && !exiting_
                      ? now_ticks + static_cast<std::uint64_t>(
                                        static_cast<double>(elapsed_ticks) /
                                        static_cast<double>(elapsed_ns) * kCheckInterval_ns)
                      : 0;
}

void Recorder::flush() {
    if (!writer_.is_open() || (writer_.empty() && !exiting_)) return;
    const ch367bus::ClockPoint now = ch367bus::clock_point();
    std::string error;
    if (!writer_.flush(now, exiting_, error)) stop_recording(error);
    last_flush_ = now;
}

void Recorder::flush_at_exit() {
    if (!try_lock_for(kFlushInterval_ns)) return;
    exiting_ = true;
    next_check_ = 0;
    flush();
    unlock();
}

void Recorder::stop_recording(const std::string& reason) {
    std::fprintf(stderr, "ch367rec: could not write %s: %s; recording stopped\n",
                 trace_path_.c_str(), reason.c_str());
}

}  // namespace ch367rec
