// Recording of the bus as a value change dump (VCD) for PulseView and GTKWave. While recording,
// each bus event is kept as three bytes; the file is produced from that list on request, on the
// virtual timebase of BusTimeline. Signals, in one flat scope "card": cs0..cs5 (chip selects,
// low = selected), dc (display data/command), rst (display reset, low = in reset), and the SPI
// lines sclk, mosi, miso, clocked in mode 0 (clock idles low, data valid on the rising edge),
// most significant bit first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ch367sim {

class VcdRecorder {
public:
    // `lines` is the line register when the recording starts.
    explicit VcdRecorder(std::uint8_t lines) { restart(lines); }

    // Drops what was recorded and starts again from `lines`.
    void restart(std::uint8_t lines);

    void gate_event() { events_.push_back({Kind::Gate, 0, 0}); }
    void line_event(std::uint8_t lines) { events_.push_back({Kind::Lines, lines, 0}); }
    void byte_event(std::uint8_t mosi, std::uint8_t miso) {
        events_.push_back({Kind::Byte, mosi, miso});
    }

    // Writes the whole recording; false when the file can't be written.
    bool write(const std::string& path) const;

private:
    enum class Kind : std::uint8_t { Gate, Lines, Byte };
    struct Event {
        Kind kind;
        std::uint8_t first;   // line register value, or the byte sent
        std::uint8_t second;  // the byte received
    };

    std::uint8_t initial_lines_ = 0;
    std::vector<Event> events_;
};

}  // namespace ch367sim
