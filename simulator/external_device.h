// Adapts a caller's C callbacks (ch367sim_device) to a device on the simulated bus.
#pragma once

#include "ch367sim.h"
#include "spi_device.h"

namespace ch367sim {

class ExternalDevice final : public SpiDevice {
public:
    explicit ExternalDevice(const ch367sim_device& callbacks) : callbacks_(callbacks) {}

    void frame_start() override {
        if (callbacks_.frame_start != nullptr) callbacks_.frame_start(callbacks_.context);
    }
    std::uint8_t exchange(std::uint8_t mosi, std::uint8_t /*lines*/) override {
        return callbacks_.exchange != nullptr ? callbacks_.exchange(callbacks_.context, mosi) : 0xFF;
    }
    void frame_end() override {
        if (callbacks_.frame_end != nullptr) callbacks_.frame_end(callbacks_.context);
    }

private:
    ch367sim_device callbacks_;
};

}  // namespace ch367sim
