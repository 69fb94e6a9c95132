// Picture of the display panel as a PNG file, and the reading and writing of the other PNG files
// the simulator handles (reference pictures, difference pictures). Writing works in every build;
// reading needs libpng, which the Windows cross build goes without.
#pragma once

#include <cstdint>
#include <vector>

namespace ch367sim {

// Largest enlargement write_display_png accepts: 16384 x 4096 pixels.
inline constexpr unsigned kMaxPngScale = 64;

// Writes the panel that `memory` (64 rows of 128 bytes, two pixels per byte, even x in the high
// nibble) shows as an 8-bit grayscale PNG of 256 x 64 pixels, each pixel drawn as a square of
// `scale` x `scale` (0 counts as 1). Gray is level x 17; a panel that is off is all black.
// The file holds only the image (no time, text or colour chunks) and is compressed with fixed
// settings, so the same picture always gives the same bytes. Returns false, leaving no file,
// when the file can't be written or `scale` is above kMaxPngScale.
bool write_display_png(const char* path, const std::uint8_t* memory, bool on, unsigned scale);

inline constexpr unsigned kPanelWidth = 256;
inline constexpr unsigned kPanelHeight = 64;
inline constexpr unsigned kGrayStep = 17;  // gray = level x 17 spreads levels 0..15 over 0..255

// The gray level 0..15 that the panel shows at pixel (x, y): 0 everywhere while it is off.
inline unsigned panel_level(const std::uint8_t* memory, bool on, unsigned x, unsigned y) {
    if (!on) return 0;
    const std::uint8_t pair = memory[y * (kPanelWidth / 2) + x / 2];
    return x % 2 == 0 ? pair >> 4 : pair & 0x0Fu;
}

// An 8-bit grayscale picture, row after row, top row first.
struct GrayPicture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> gray;
};
// Reads a PNG file of any colour type and bit depth as 8-bit gray (colours by their luminance,
// transparent parts over black). False when the file can't be read or is no PNG, and always in
// a build without libpng.
bool read_gray_png(const char* path, GrayPicture& picture);

// Writes `rgb` (3 bytes per pixel, row after row) as an 8-bit RGB PNG file. Returns false,
// leaving no file, when it can't be written.
bool write_rgb_png(const char* path, unsigned width, unsigned height, const std::uint8_t* rgb);

}  // namespace ch367sim
