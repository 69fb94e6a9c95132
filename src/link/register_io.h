// Register access for everything above the bridge seam: one register byte at a time, and the
// line register always through the line shadow.
#pragma once

#include <cstdint>

#include "link/master_handle.h"
#include "link/registers.h"

namespace quorvel::link {

std::uint8_t read_register(const DioMasterHandle& handle, Register reg);
std::int32_t write_register(const DioMasterHandle& handle, Register reg, std::uint8_t value);

// Writes value to the line register, then stores it as the new line shadow.
void write_lines(DioMasterHandle& handle, std::uint8_t value);

}  // namespace quorvel::link
