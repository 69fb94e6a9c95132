// The image check for host programs' own tests: the panel against a reference PNG.
#pragma once

#include <cstdint>

namespace ch367sim {

// Compares what the panel shows (display `memory`, on or off) with the PNG file `reference`,
// which may be the panel picture at any scale: 256 s x 64 s pixels, each panel pixel a square of
// s x s. A panel pixel matches when every reference pixel of its square, rounded to the nearest
// gray level (gray / 17), equals the panel's level. When `diff` is not null it receives a PNG
// of the reference's size: the panel dimmed, and every differing pixel in red. The number of
// differing panel pixels goes to *differing when it is not null.
// Returns 1 when the pictures are the same, 0 when they differ, and -1 when the reference can't
// be read or has another size, or the difference picture can't be written.
int compare_panel_with_png(const char* reference, const std::uint8_t* memory, bool on,
                           const char* diff, std::uint64_t* differing);

}  // namespace ch367sim
