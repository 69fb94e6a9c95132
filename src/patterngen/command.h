// Framing of pattern-generator commands: the opcode, each argument and the data phase travel as
// separate SPI transactions (separate chip-select frames) on device 0.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "link/master_handle.h"
#include "patterngen/opcodes.h"

namespace quorvel::patterngen {

// One command argument: a byte, or a 32-bit value sent least significant byte first.
struct Argument {
    std::uint8_t bytes[4];
    std::uint8_t width;

    static constexpr Argument byte(std::uint8_t value) { return {{value, 0, 0, 0}, 1}; }
    static constexpr Argument word(std::uint32_t value) {
        return {{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                 static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)},
                4};
    }
};

// The data phase: one transaction of `count` bytes that sends `out` (zeros when null) and
// receives into `in` (nothing stored when null).
struct DataPhase {
    const std::uint8_t* out = nullptr;
    std::uint8_t* in = nullptr;
    std::uint64_t count = 0;
};

// Sends opcode, arguments and data phase; returns the success flag of the last transaction.
// Earlier transactions' flags are ignored: later pieces are sent even when one failed.
bool send_command(DioMasterHandle& handle, Opcode opcode,
                  std::initializer_list<Argument> arguments = {},
                  std::optional<DataPhase> data = std::nullopt);

}  // namespace quorvel::patterngen
