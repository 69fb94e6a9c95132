// A device model behind one chip select of the simulated SPI bus.
#pragma once

#include <cstdint>

namespace ch367sim {

class SpiDevice {
public:
    virtual ~SpiDevice() = default;
    // Back to the device's power-on state.
    virtual void power_on() {}
    // Its chip select went low.
    virtual void frame_start() {}
    // One byte each way while selected; `lines` is the line register at that moment.
    virtual std::uint8_t exchange(std::uint8_t mosi, std::uint8_t lines) = 0;
    // Its chip select went high.
    virtual void frame_end() {}
    // The line register changed (every device sees the display's control lines).
    virtual void lines_changed(std::uint8_t /*lines*/) {}
};

}  // namespace ch367sim
