// Recording of the bus as a value change dump (VCD) for PulseView and GTKWave. While recording,
// each bus event is kept as three bytes; the file is produced from that list on request, on the
// virtual timebase of BusTimeline. Signals, in one flat scope "card": cs0..cs5 (chip selects,
// low = selected), dc (display data/command), rst (display reset, low = in reset), and the SPI
// lines sclk, mosi, miso, clocked in mode 0 (clock idles low, data valid on the rising edge),
// most significant bit first. The file never grows past a cap: the recording ends at the last
// bus event that fits, and once the events could no longer fit they are not kept either.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ch367sim {

class VcdRecorder {
public:
    // `lines` is the line register when the recording starts; `limit` caps the file's size in
    // bytes (its header and initial values are always written).
    VcdRecorder(std::uint8_t lines, std::uint64_t limit) : limit_(limit) { restart(lines); }

    // Drops what was recorded and starts again from `lines`.
    void restart(std::uint8_t lines);

    void gate_event() {
        if (!full_) events_.push_back({Kind::Gate, 0, 0});
    }
    void line_event(std::uint8_t lines) {
        if (!full_) events_.push_back({Kind::Lines, lines, 0});
    }
    void byte_event(std::uint8_t mosi, std::uint8_t miso) {
        if (full_) return;
        least_size_ += kLeastBytesPerByte;
        full_ = least_size_ > limit_;
        if (!full_) events_.push_back({Kind::Byte, mosi, miso});
    }

    // Writes the recording, up to the cap; false when the file can't be written. The first
    // writing that meets the cap says so in one line on standard error.
    bool write(const std::string& path);

private:
    enum class Kind : std::uint8_t { Gate, Lines, Byte };
    struct Event {
        Kind kind;
        std::uint8_t first;   // line register value, or the byte sent
        std::uint8_t second;  // the byte received
    };

    // The clock's 16 edges, 3 bytes each, are the least text one byte on the bus adds to the
    // file; past the cap by that count, no later event can be in the file.
    static constexpr std::uint64_t kLeastBytesPerByte = 48;

    std::uint64_t limit_;
    std::uint64_t least_size_ = 0;
    bool full_ = false;
    bool cap_reported_ = false;
    std::uint8_t initial_lines_ = 0;
    std::vector<Event> events_;
};

}  // namespace ch367sim
