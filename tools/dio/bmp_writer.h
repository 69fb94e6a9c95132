// 4-bit grayscale BMP files that DioOpenBMP loads and draws as they look.
//
// Layout: 14-byte file header, 40-byte information header, 16-entry gray palette (entry i is
// level i at 8-bit brightness 17 i), then the pixel rows, bottom row first as BMP stores them,
// each in display packing (left pixel in the high nibble, palette index = gray level) and padded
// with zero bytes to a multiple of 4. Nothing follows the last row: DioOpenBMP counts the rows
// back from the end of the file, which then makes the picture's top row its first.
#pragma once

#include <cstdint>
#include <vector>

#include "gray_levels.h"

namespace dio {

// Bytes of one stored row: 4 bits per pixel, padded to a multiple of 4.
std::size_t bmp_row_bytes(std::uint32_t width);

std::vector<std::uint8_t> encode_gray_bmp(const GrayImage& image);

}  // namespace dio
