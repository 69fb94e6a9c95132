// A rectangular area of packed bytes: `height` runs of `width` bytes, back to back, top first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel::display {

// Calls write_run(x, row_i, bytes, width) for each area row i, top first, with row_i the 8-bit
// sum row + i. A null `data` writes nothing.
template <typename WriteRun>
void write_area(std::uint8_t x, std::uint8_t row, std::uint8_t width, std::uint8_t height,
                const std::uint8_t* data, WriteRun&& write_run) {
    if (data == nullptr) return;
    for (std::uint32_t i = 0; i < height; ++i) {
        write_run(x, static_cast<std::uint8_t>(row + i), data + std::size_t{i} * width, std::uint64_t{width});
    }
}

}  // namespace quorvel::display
