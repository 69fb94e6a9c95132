// Recording of the bus as a value change dump (VCD) for PulseView and GTKWave. While recording,
// each bus event is kept as three bytes; the file is produced from that list on request, on the
// virtual timebase of BusTimeline. Signals, in one flat scope "card": cs0..cs5 (chip selects,
// low = selected), dc (display data/command), rst (display reset, low = in reset), and the SPI
// lines sclk, mosi, miso, clocked in mode 0 (clock idles low, data valid on the rising edge),
// most significant bit first; the pattern generator's 32 I/O lines as the wires io0..io31 and,
// when asked for, the vector io_lines too (sigrok's VCD reader up to libsigrok 0.5 stops at the
// first vector change), changing at each sample of a playing pattern that changes them. The file
// never grows past a cap: the recording ends at the last event that fits, and once the events
// could no longer fit they are not kept either. Passing 100 MB is told once on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ch367bus {

// Who writes the recording, for its lines on standard error: the program, and what sets the cap.
struct VcdTeller {
    std::string program = "ch367sim";
    std::string cap_setting = "CH367SIM_VCD_LIMIT";
};

class VcdRecorder {
public:
    static constexpr std::uint64_t kDefaultLimit = std::uint64_t{1} << 30;  // 1 GiB

    // `lines` is the line register and `io_lines` the I/O lines when the recording starts;
    // `limit` caps the file's size in bytes (its header and initial values are always written);
    // `vector`: the I/O lines also as one vector.
    VcdRecorder(std::uint8_t lines, std::uint32_t io_lines, std::uint64_t limit, bool vector = false,
                VcdTeller teller = {})
        : limit_(limit), vector_(vector), teller_(std::move(teller)) {
        restart(lines, io_lines);
    }

    // Drops what was recorded and starts again from `lines` and `io_lines`.
    void restart(std::uint8_t lines, std::uint32_t io_lines);

    void gate_event() {
        if (!full_) events_.push_back({Kind::Gate, 0, 0});
    }
    void line_event(std::uint8_t lines) {
        if (!full_) events_.push_back({Kind::Lines, lines, 0});
    }
    void byte_event(std::uint8_t mosi, std::uint8_t miso) {
        if (keeps(kLeastBytesPerByte)) events_.push_back({Kind::Byte, mosi, miso});
    }
    // The I/O lines took `value`, `delay` ns after the time of the latest event.
    void io_event(std::uint32_t value, std::uint64_t delay) {
        if (!keeps(kLeastBytesPerIoChange)) return;
        events_.push_back({Kind::Io, 0, 0});
        io_.push_back({delay, value});
    }
    // `duration` ns passed with no bus event: a pattern played, or a recording paused.
    void time_passed(std::uint64_t duration) {
        if (full_) return;
        events_.push_back({Kind::Passed, 0, 0});
        io_.push_back({duration, 0});
    }

    // Writes the recording, up to the cap; false when the file can't be written. The first
    // writing that meets the cap says so in one line on standard error.
    bool write(const std::string& path);

private:
    enum class Kind : std::uint8_t { Gate, Lines, Byte, Io, Passed };
    struct Event {
        Kind kind;
        std::uint8_t first;   // line register value, or the byte sent
        std::uint8_t second;  // the byte received
    };

    // The clock's 16 edges, 3 bytes each, are the least text one byte on the bus adds to the
    // file; past the cap by that count, no later event can be in the file.
    static constexpr std::uint64_t kLeastBytesPerByte = 48;
    // A vector change and one wire change, "b1 ,\n" and "1-\n".
    static constexpr std::uint64_t kLeastBytesPerIoChange = 8;
    static constexpr std::uint64_t kWarnedSize = 100'000'000;

    // Counts an event's least text; false once the events can no longer fit the cap.
    bool keeps(std::uint64_t least_bytes);

    // What an Io or Passed event carries, in event order: a delay and value, or a duration.
    struct IoEntry {
        std::uint64_t time;
        std::uint32_t value;
    };

    std::uint64_t limit_;
    bool vector_;
    VcdTeller teller_;
    std::uint64_t least_size_ = 0;
    bool full_ = false;
    bool cap_reported_ = false;
    bool size_reported_ = false;
    std::uint8_t initial_lines_ = 0;
    std::uint32_t initial_io_lines_ = 0;
    std::vector<Event> events_;
    std::vector<IoEntry> io_;
};

}  // namespace ch367bus
