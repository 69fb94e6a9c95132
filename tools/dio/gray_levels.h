// Pictures as the panel shows them: 16 gray levels per pixel, and the display's packing of two
// pixels per byte (left pixel in the high nibble).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image_io.h"

namespace dio {

constexpr unsigned kGrayLevels = 16;
constexpr unsigned kMaxLevel = kGrayLevels - 1;   // the brightest level
constexpr unsigned kLevelStep = 255 / kMaxLevel;  // 8-bit brightness per gray level

struct GrayImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> levels;  // 0..15 per pixel, rows top first
};

enum class Dither { none, floyd_steinberg };

constexpr std::uint32_t kPanelWidth = 256;
constexpr std::uint32_t kPanelHeight = 64;

// Brightness 0..255 of an RGBA pixel seen on the panel's black: luma (ITU-R BT.601 weights)
// scaled by the alpha.
std::uint8_t brightness(const std::uint8_t* rgba);

// Each pixel's brightness as the nearest of the 16 gray levels, or Floyd-Steinberg dithered to
// them (error spread right 7/16, down-left 3/16, down 5/16, down-right 1/16, rows top first).
GrayImage to_gray_levels(const RgbaImage& image, Dither dither);

// The panel picture in the file: its gray levels, refused (Failure) from the file's header when
// it is larger than the panel, where the library's drawing could not show it whole.
GrayImage read_panel_picture(const std::string& png_file, Dither dither);

// The rows in display packing, row_bytes bytes per row (at least (width + 1) / 2); the nibbles
// past the last pixel are 0.
std::vector<std::uint8_t> pack_rows(const GrayImage& image, std::size_t row_bytes);

}  // namespace dio
