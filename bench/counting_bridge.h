// A stand-in for the bridge's driver library that does next to nothing: the benchmark executable
// defines the five driver functions itself and exports them, so the card library (and the
// minimal loops) bind to these instead of the simulator. Registers are a plain 256-byte file: a
// read returns what was last written, which is all the SPI transaction needs to see its bus gate
// follow. Accesses are counted by recording them, outside the timed regions.
#pragma once

#include <cstdint>
#include <vector>

#include "ch367sim.h"

namespace bench {

inline constexpr std::uint64_t kCountingIoBase = 0x1000;

struct CountingBridge {
    std::uint8_t registers[256] = {};
    // When set, every access is also appended here (used only outside timed regions).
    std::vector<ch367sim_register_access>* recording = nullptr;
};

CountingBridge& counting_bridge();

}  // namespace bench
