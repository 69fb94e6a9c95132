// Bridge register offsets (from the I/O base) and the bits the library drives.
#pragma once

#include <cstdint>

namespace quorvel::link {

enum class Register : std::uint8_t {
    BridgeControl = 0xE8,  // bit 2: bus gate, active low; read back after each change
    AddressLow = 0xF0,     // written only by DioSetADRSR_Low
    Lines = 0xF1,          // chip selects 0..5 (0 = selected), display data/command, display reset
    SpiControl = 0xFD,     // SPI master control byte
    SpiData = 0xFE,        // write sends a byte; read returns the byte received with the last send
};

// Bridge control register (0xE8).
inline constexpr std::uint8_t kBusGate = 0x04;         // 1 = bus closed
inline constexpr std::uint8_t kControlKeepMask = 0x39; // bits 0, 3, 4, 5 written back as read
inline constexpr std::uint8_t kControlOpenBits = 0x40; // bit 6 set while the bus is open
inline constexpr std::uint8_t kControlCloseBits = 0x84; // bit 7 and the gate set when closing

// SPI control register (0xFD).
inline constexpr std::uint8_t kSpiEnable = 0x80;
inline constexpr std::uint8_t kSpiModeA = 0x20;        // selected by mode flag A
inline constexpr std::uint8_t kSpiModeB = 0x40;        // selected by mode flag B
inline constexpr std::uint8_t kSpiReceiveDone = 0x80;  // cleared after each received byte
inline constexpr std::uint8_t kSpiCloseKeepMask = 0x20; // all but bit 5 cleared when closing

// Line register (0xF1).
inline constexpr std::uint8_t kAllChipSelects = 0x3F;   // bits 0..5, one per SPI device
inline constexpr std::uint8_t kDisplayDataMode = 0x40;  // 1 = data, 0 = command
inline constexpr std::uint8_t kDisplayResetHigh = 0x80; // 0 holds the display in reset

inline constexpr std::uint8_t kSpiDeviceCount = 6;
inline constexpr std::uint8_t kPatternGenerator = 0;
inline constexpr std::uint8_t kDisplay = 1;

}  // namespace quorvel::link
