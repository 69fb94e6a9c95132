// A PNG encoder on zlib alone, for the pictures the simulator writes. It builds the same way on
// Linux and in the Windows cross build, and the same picture always gives the same bytes there.
#pragma once

#include <cstdint>
#include <functional>

namespace ch367sim {

// The two kinds of picture the simulator writes (the values are PNG's colour types).
enum class PngColour : std::uint8_t { gray = 0, rgb = 2 };

// Fills `row` with the bytes of picture row `y` (width x 1 for gray, width x 3 for RGB).
using PngRowSource = std::function<void(unsigned y, std::uint8_t* row)>;

// Writes an 8-bit picture of `width` x `height` pixels whose rows come from `row_source`, top row
// first. The file holds only the IHDR, IDAT and IEND chunks; every row is stored unfiltered and
// compressed with fixed settings, so its bytes depend on the picture alone. Returns false,
// leaving no file, when the file can't be written or the picture is empty.
bool write_png(const char* path, unsigned width, unsigned height, PngColour colour,
               const PngRowSource& row_source);

}  // namespace ch367sim
