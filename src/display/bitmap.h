// The loaded bitmap that DioOpenBMP hands to the caller and DioCloseBMP frees.
#pragma once

#include <cstdint>

#include "QuorvelWCHDLL.h"

struct DioBitmap {
    std::int32_t row_size;  // bytes per pixel row, padded to a multiple of 4 as in the file
    std::int32_t height;    // number of pixel rows
    // Pixel rows, top row first, row_size bytes each; the buffer is as long as the file's pixel
    // area (file size - data offset), at least height x row_size bytes, zero past the rows.
    std::uint8_t* rows;
};

namespace quorvel::display {

// Frees the bitmap's rows and the record; null does nothing.
void free_bitmap(DioBitmap* bitmap);

}  // namespace quorvel::display
