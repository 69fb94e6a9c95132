// The virtual timebase shared by the bus recording (VCD) and the command log, in nanoseconds.
// Time moves only with bus events and a playing pattern, so idle time between host calls is
// left out: each gate or line-register event takes a fixed gap, each byte eight periods of a
// 10 MHz SPI clock, and the samples a pattern played since it was last looked at their periods
// at the sample rate. A recording's times move it on where they leave more time between events.
#pragma once

#include <cstdint>

namespace ch367bus {

class BusTimeline {
public:
    static constexpr std::uint64_t kClockPeriod = 100;  // ns per SPI clock period
    static constexpr std::uint64_t kByteTime = 8 * kClockPeriod;
    static constexpr std::uint64_t kEventGap = 100;     // ns taken by a gate or line event
    // Time 0 holds the initial values; the first event starts one gap later.
    static constexpr std::uint64_t kStart = kEventGap;

    // Each returns the time at which its event starts and moves past the event.
    std::uint64_t gate_event() { return advance(kEventGap); }
    std::uint64_t line_event() { return advance(kEventGap); }
    std::uint64_t byte_event() { return advance(kByteTime); }
    // Time in which no bus event happened: a pattern playing, or a recorded pause between calls.
    std::uint64_t pass(std::uint64_t duration) { return advance(duration); }

    std::uint64_t now() const { return now_; }

private:
    std::uint64_t advance(std::uint64_t duration) {
        const std::uint64_t start = now_;
        now_ += duration;
        return start;
    }

    std::uint64_t now_ = kStart;
};

}  // namespace ch367bus
