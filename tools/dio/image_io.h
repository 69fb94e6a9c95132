// PNG files in and out, as 8-bit RGBA pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dio {

struct RgbaImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;  // R, G, B, A per pixel, rows top first
};

// Largest width or height dio reads: far beyond any panel picture, small enough to fit memory.
constexpr std::uint32_t kMaxImageSide = 8192;

// Any PNG (gray, palette, RGB, with or without alpha, any bit depth) as 8-bit RGBA; 16-bit
// samples are reduced to 8 bits. Throws Failure naming the file when it cannot be read.
RgbaImage read_png(const std::string& path);
void write_png(const std::string& path, const RgbaImage& image);

}  // namespace dio
