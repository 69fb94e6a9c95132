// Turns the bytes of a whole BMP file into a loaded bitmap.
#pragma once

#include <cstdint>
#include <span>

#include "display/bitmap.h"

namespace quorvel::display {

// Accepts any file that holds a complete header, a data offset inside the file, a height and a
// row size of 0 or more (each fitting 32 bits) and at least height x row size bytes from the data
// offset on; nothing else is checked. On acceptance prints the header diagnostics (with `name`)
// and returns a new bitmap whose row i holds the row_size bytes of the file that end
// i x row_size bytes before its end, so a bottom-up file comes out top row first. Returns null,
// having printed nothing, for any other file or when memory runs out.
DioBitmap* parse_bitmap(std::span<const std::uint8_t> file, const char* name);

}  // namespace quorvel::display
