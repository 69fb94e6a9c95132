// The recorder's one instance: the real driver, the recording, and the lock that keeps calls
// from several threads in one order on the bus and in the file.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "driver_library.h"
#include "time_source.h"
#include "trace_writer.h"

namespace ch367rec {

class Recorder {
public:
    // The driver's functions; each is null when the driver could not be loaded. Set up at the
    // first call, under the lock.
    const DriverFunctions& driver() {
        if (!started_) start();
        return driver_;
    }

    void lock() {
        while (busy_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
    }
    void unlock() { busy_.store(false, std::memory_order_release); }
    // The lock within `timeout_ns`, or false: at exit a thread that was ended while holding it
    // (Windows ends the other threads before the DLL's detach) must not hang the process.
    bool try_lock_for(std::uint64_t timeout_ns) {
        const std::uint64_t start = ch367bus::monotonic_ns();
        while (busy_.exchange(true, std::memory_order_acquire)) {
            if (ch367bus::monotonic_ns() - start > timeout_ns) return false;
            std::this_thread::yield();
        }
        return true;
    }

    void record(const ch367bus::RawRecord& call) {
        if (!writer_.is_open()) return;
        writer_.add(call);
        if (call.ticks >= next_check_ || writer_.full()) check_flush(call.ticks);
    }

    // Writes what was recorded so far (at CH367CloseDevice and at exit).
    void flush();
    // From now on every call is written at once: the process is ending.
    void flush_at_exit();

private:
    void start();
    void check_flush(std::uint64_t now_ticks);
    void stop_recording(const std::string& reason);

    std::atomic<bool> busy_{false};
    bool started_ = false;
    bool exiting_ = false;
    DriverFunctions driver_;
    ch367bus::TraceWriter writer_;
    std::string trace_path_;
    ch367bus::ClockPoint origin_{};
    ch367bus::ClockPoint last_flush_{};
    std::uint64_t next_check_ = 0;  // the tick count at which the clock is looked at again
};

Recorder& recorder();

// The recorder's own CH367OpenDevice, to recognise a driver path that leads back to the recorder.
using OpenDevice = void* (*)(std::int32_t, std::int32_t, std::uint8_t);
OpenDevice own_open_device();

}  // namespace ch367rec
