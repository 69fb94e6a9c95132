// Offsets of the simulated bridge's registers from its I/O base, named once for the simulator.
#pragma once

#include <cstdint>

namespace ch367sim {

inline constexpr std::uint8_t kBridgeControl = 0xE8;  // bit 2: bus gate, 1 = closed
inline constexpr std::uint8_t kAddressLow = 0xF0;
inline constexpr std::uint8_t kLines = 0xF1;          // chip selects, display data/command, reset
inline constexpr std::uint8_t kSpiControl = 0xFD;
inline constexpr std::uint8_t kSpiData = 0xFE;

}  // namespace ch367sim
