// A stand-in for the bridge's driver library that only counts: the benchmark executable defines
// the five driver functions itself and exports them, so the card library (and the minimal
// loops) bind to these instead of the simulator. Registers are a plain 256-byte file: a read
// returns what was last written, which is all the SPI transaction needs to see its bus gate
// follow.
#pragma once

#include <cstdint>
#include <vector>

#include "ch367sim.h"

namespace bench {

inline constexpr std::uint64_t kCountingIoBase = 0x1000;

struct CountingBridge {
    std::uint64_t reads = 0;
    std::uint64_t writes = 0;
    std::uint8_t registers[256] = {};
    // When set, every access is also appended here (used only outside timed regions).
    std::vector<ch367sim_register_access>* recording = nullptr;

    std::uint64_t accesses() const { return reads + writes; }
};

CountingBridge& counting_bridge();

}  // namespace bench
