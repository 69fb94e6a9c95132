#include "call_recording.h"

#include <cstdio>

namespace ch367bus {

namespace {

constexpr std::uint64_t kFlushInterval_ns = 100'000'000;
// How often the monotonic clock is read between calls; far below the flush interval, so a chunk
// is never more than about this much late.
constexpr std::uint64_t kCheckInterval_ns = 1'000'000;

// The recording flushed as the process ends: one per driver library, which never destroys it
// while the process runs.
CallRecording* exit_recording = nullptr;

struct ExitFlush {
    ~ExitFlush() {
        if (exit_recording != nullptr) exit_recording->flush_at_exit();
    }
};

}  // namespace

CallRecording::~CallRecording() {
    if (exit_recording == this) exit_recording = nullptr;
}

void CallRecording::open(const std::string& path, std::string_view driver_path,
                         std::uint32_t process_id) {
    static ExitFlush exit_flush;
    exit_recording = this;
    path_ = path;
    origin_ = last_flush_ = clock_point();
    std::string error;
    if (!writer_.open(path_, driver_path, origin_, process_id, error)) stop_recording(error);
}

bool CallRecording::try_lock_for(std::uint64_t timeout_ns) {
    const std::uint64_t start = monotonic_ns();
    while (busy_.exchange(true, std::memory_order_acquire)) {
        if (monotonic_ns() - start > timeout_ns) return false;
        std::this_thread::yield();
    }
    return true;
}

void CallRecording::check_flush(std::uint64_t now_ticks) {
    const ClockPoint now = clock_point();
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

void CallRecording::flush() {
    if (!writer_.is_open() || (writer_.empty() && !exiting_)) return;
    const ClockPoint now = clock_point();
    std::string error;
    if (!writer_.flush(now, exiting_, error)) stop_recording(error);
    last_flush_ = now;
}

void CallRecording::flush_at_exit() {
    if (!try_lock_for(kFlushInterval_ns)) return;
    exiting_ = true;
    next_check_ = 0;
    flush();
    unlock();
}

void CallRecording::stop_recording(const std::string& reason) {
    std::fprintf(stderr, "%s: could not write %s: %s; recording stopped\n", program_,
                 path_.c_str(), reason.c_str());
}

}  // namespace ch367bus
