// Picture of the display panel as a PNG file. The only code of the simulator that uses libpng.
#pragma once

#include <cstdint>

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

}  // namespace ch367sim
