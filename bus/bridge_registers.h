// Offsets of the bridge's registers from its I/O base, and the bits of its control and line
// registers, named once for the simulated bridge and the readers of the bus.
#pragma once

#include <cstdint>

namespace ch367bus {

inline constexpr std::uint8_t kBridgeControl = 0xE8;  // bit 2: bus gate, 1 = closed
inline constexpr std::uint8_t kBusGate = 0x04;        // the bus gate's bit in kBridgeControl
inline constexpr std::uint8_t kAddressLow = 0xF0;
inline constexpr std::uint8_t kLines = 0xF1;          // chip selects, display data/command, reset
inline constexpr std::uint8_t kSpiControl = 0xFD;
inline constexpr std::uint8_t kSpiData = 0xFE;

// Line register bits.
inline constexpr std::uint8_t kChipSelects = 0x3F;  // bits 0..5, one per device, 0 = selected
inline constexpr std::uint8_t kDisplayDataMode = 0x40;       // 1 = data, 0 = command
inline constexpr std::uint8_t kDisplayResetReleased = 0x80;  // 0 holds the display in reset

// The line register at power-on: every chip select released, command mode, reset released.
inline constexpr std::uint8_t kPowerOnLines = 0xBF;
// The device of a transaction that no chip select took part in.
inline constexpr std::uint8_t kNoDevice = 0xFF;

}  // namespace ch367bus
