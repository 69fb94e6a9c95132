// Picture of the display panel as a PNG file, and the panel's gray levels.
#pragma once

#include <cstdint>

namespace ch367sim {

// Largest enlargement write_display_png accepts: 16384 x 4096 pixels.
inline constexpr unsigned kMaxPngScale = 64;

// Writes the panel that `memory` (64 rows of 128 bytes, two pixels per byte, even x in the high
// nibble) shows as an 8-bit grayscale PNG of 256 x 64 pixels, each pixel drawn as a square of
// `scale` x `scale` (0 counts as 1). Gray is level x 17; a panel that is off is all black.
// The file holds only the image, so the same picture always gives the same bytes. Returns false, leaving no file,
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

}  // namespace ch367sim
