// The display link on SPI device 1: the address command that places the display's write
// position, the data-mode bracket around pixel data, and the immediate write built from both.
#pragma once

#include <array>
#include <cstdint>

#include "link/master_handle.h"

namespace quorvel::display {

inline constexpr std::uint8_t kSetRowAddress = 0xB0;     // followed by the row byte
inline constexpr std::uint8_t kSetLowColumn = 0x00;      // OR the low 4 bits of the byte column
inline constexpr std::uint8_t kSetHighColumn = 0x10;     // OR the high 3 bits of the byte column
inline constexpr std::uint8_t kHighColumnBits = 0x07;

using AddressCommand = std::array<std::uint8_t, 4>;

// Places the write position at `row` (sent unchanged) and byte column `column` (low 7 bits).
constexpr AddressCommand address_command(std::uint8_t row, std::uint8_t column) {
    return {kSetRowAddress, row, static_cast<std::uint8_t>(kSetLowColumn | (column & 0x0F)),
            static_cast<std::uint8_t>(kSetHighColumn | ((column >> 4) & kHighColumnBits))};
}

// One SPI transaction of `count` bytes on the display; returns its success flag.
bool send_to_display(DioMasterHandle& handle, const std::uint8_t* bytes, std::uint64_t count);

// Sends the address command for (row, column) in command mode.
void send_address(DioMasterHandle& handle, std::uint8_t row, std::uint8_t column);

// The data-mode bracket: the display's data/command line is high (pixel data) from construction
// to destruction, so the link is always back in command mode when the bracket ends.
class DataMode {
public:
    explicit DataMode(DioMasterHandle& handle);
    ~DataMode();
    DataMode(const DataMode&) = delete;
    DataMode& operator=(const DataMode&) = delete;

private:
    DioMasterHandle& handle_;
};

// The immediate write: address command, bracket open, `count` bytes in one transaction, bracket
// closed. Transaction results are ignored; the bracket is closed whatever happened.
void write_immediate(DioMasterHandle& handle, std::uint8_t row, std::uint8_t column,
                     const std::uint8_t* data, std::uint64_t count);

}  // namespace quorvel::display
