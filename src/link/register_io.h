// Register access for everything above the bridge seam: one register byte at a time, and the
// line register always through the line shadow. Defined here, inline, because a transfer makes
// one of these calls per byte: each is then a single call into the driver library.
#pragma once

#include <cstdint>

#include "link/bridge.h"
#include "link/master_handle.h"
#include "link/registers.h"

namespace quorvel::link {

// The bridge's register block at one I/O base. Loops that access a register once per byte hold
// one of these, so the base stays in a processor register across the driver calls instead of
// being read back from the master handle after each of them.
struct RegisterBlock {
    std::uint64_t io_base;

    std::uint8_t read(Register reg) const {
        std::uint8_t value = 0;
        CH367ReadIoByte(io_base + static_cast<std::uint8_t>(reg), &value);
        return value;
    }
    std::int32_t write(Register reg, std::uint8_t value) const {
        return CH367WriteIoByte(io_base + static_cast<std::uint8_t>(reg), value);
    }
};

inline RegisterBlock registers_of(const DioMasterHandle& handle) { return {handle.io_base}; }

inline std::uint8_t read_register(const DioMasterHandle& handle, Register reg) {
    return registers_of(handle).read(reg);
}

inline std::int32_t write_register(const DioMasterHandle& handle, Register reg,
                                   std::uint8_t value) {
    return registers_of(handle).write(reg, value);
}

// Writes value to the line register, then stores it as the new line shadow.
inline void write_lines(DioMasterHandle& handle, std::uint8_t value) {
    write_register(handle, Register::Lines, value);
    handle.line_shadow = value;
}

}  // namespace quorvel::link
