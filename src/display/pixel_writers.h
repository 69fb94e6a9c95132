// Single pixels and pixel pairs, on the display and in the frame buffer; line drawing is built
// on these. Gray levels count by their low 4 bits. None of them checks the master handle.
#pragma once

#include <cstdint>

#include "link/master_handle.h"

namespace quorvel::display {

// Sends the byte holding `level` at pixel x of `row`; its partner pixel becomes 0.
void write_pixel_immediate(DioMasterHandle& handle, std::uint8_t x, std::uint8_t row,
                           std::uint8_t level);

// Blends `level` into pixel x of `row` in the frame buffer; the partner pixel never changes.
void blend_pixel(DioMasterHandle& handle, std::int32_t mode, std::uint8_t x, std::uint8_t row,
                 std::uint8_t level);

// Blends the packed byte `pair` into byte column `column` of `row` in the frame buffer.
void blend_pair(DioMasterHandle& handle, std::int32_t mode, std::uint8_t column, std::uint8_t row,
                std::uint8_t pair);

}  // namespace quorvel::display
