// The recorder's two clocks: a cheap tick counter read at every call, and the monotonic clock
// read when a chunk is closed. Each chunk stores one (ticks, nanoseconds) pair, so a reader turns
// ticks into nanoseconds between two such pairs without the recorder ever waiting to calibrate.
#pragma once

#include <chrono>
#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64)
#include <x86intrin.h>
#endif

namespace ch367bus {

inline std::uint64_t monotonic_ns() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

// The x86-64 time-stamp counter (constant-rate on the processors that carry the card), or the
// monotonic clock elsewhere.
inline std::uint64_t ticks() {
#if defined(__x86_64__) || defined(_M_X64)
    return __rdtsc();
#else
    return monotonic_ns();
#endif
}

struct ClockPoint {
    std::uint64_t ticks;
    std::uint64_t ns;
};

inline ClockPoint clock_point() { return {ticks(), monotonic_ns()}; }

}  // namespace ch367bus
