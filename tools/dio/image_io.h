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

// The largest picture a command takes, checked from the file's header before a pixel is
// decoded, so that memory and time stay bounded by what the command can use.
struct PictureLimit {
    std::uint32_t width;
    std::uint32_t height;
    std::uint64_t pixels;
    const char* refusal;  // what the limit is, for the message: "the panel is 256 x 64"
};

// What is drawn or converted: the panel's size.
inline constexpr PictureLimit kPanelPictureLimit{256, 64, 256 * 64, "the panel is 256 x 64"};
// What compare takes: the panel's picture enlarged up to 16 times (4096 x 1024), in any shape.
inline constexpr PictureLimit kComparedPictureLimit{
    16384, 16384, 4096 * 1024, "compare takes at most 4194304 pixels and 16384 on a side"};

// Any PNG (gray, palette, RGB, with or without alpha, any bit depth) as 8-bit RGBA; 16-bit
// samples are reduced to 8 bits. Throws Failure naming the file when it cannot be read or is
// larger than the limit.
RgbaImage read_png(const std::string& path, const PictureLimit& limit);
void write_png(const std::string& path, const RgbaImage& image);

}  // namespace dio
