// How a driver library records the bridge calls it serves (the recorder, and the simulator when
// asked): calls are kept in memory and written as a chunk at every CH367CloseDevice, at least
// every 100 ms while calls arrive (the clock is looked at about once a millisecond, on
// the calls themselves: no thread), when a chunk is full, and as the process ends. A recording
// that cannot be written stops with one line on standard error; the calls go on.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "time_source.h"
#include "trace_writer.h"

namespace ch367bus {

class CallRecording {
public:
    // `program` starts the line on standard error ("ch367rec").
    explicit CallRecording(const char* program) : program_(program) {}
    // A recording that goes before the process ends is no longer flushed at exit.
    ~CallRecording();
    CallRecording(const CallRecording&) = delete;
    CallRecording& operator=(const CallRecording&) = delete;

    // Starts the recording at `path`, the first call coming now, and has it flushed when the
    // process ends. A file that cannot be created costs the line on standard error.
    void open(const std::string& path, std::string_view driver_path, std::uint32_t process_id);

    // The lock that keeps calls from several threads in one order in the file.
    void lock() {
        while (busy_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
    }
    void unlock() { busy_.store(false, std::memory_order_release); }

    // Under the lock.
    void record(const RawRecord& call) {
        if (!writer_.is_open()) return;
        writer_.add(call);
        if (call.ticks >= next_check_ || writer_.full()) check_flush(call.ticks);
    }
    // A CH367CloseDevice: recorded and written at once, with what came before it; under the
    // lock. (Kept apart from record(), which every register access takes.)
    void record_close(const RawRecord& call) {
        record(call);
        flush();
    }
    // Writes what was recorded, marked final; from now on every call is written at once (other
    // exit handlers may still call). Takes the lock within 100 ms or leaves the recording cut:
    // a thread that was ended inside a call (Windows ends the other threads before a DLL's
    // detach) must not hang the process.
    void flush_at_exit();

private:
    // Writes what was recorded so far; under the lock.
    void flush();
    bool try_lock_for(std::uint64_t timeout_ns);
    void check_flush(std::uint64_t now_ticks);
    void stop_recording(const std::string& reason);

    const char* program_;
    std::atomic<bool> busy_{false};
    bool exiting_ = false;
    TraceWriter writer_;
    std::string path_;
    ClockPoint origin_{};
    ClockPoint last_flush_{};
    std::uint64_t next_check_ = 0;  // the tick count at which the clock is looked at again
};

}  // namespace ch367bus
