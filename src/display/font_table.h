#pragma once

#include <cstdint>

namespace quorvel::display {

// Built-in 8 x 16 pixel font for the OLED text layer.
inline constexpr int kFontFirstCode = 32;    // first character code with a glyph (space)
inline constexpr int kFontGlyphCount = 96;   // codes 32..127; 127 is drawn as a hatched block
inline constexpr int kFontGlyphRows = 16;    // one byte per pixel row, top row first

// The glyph of code c is kFontGlyphs[c - kFontFirstCode]. In each row byte,
// bit 7 is the leftmost pixel and bit 0 the rightmost.
extern const std::uint8_t kFontGlyphs[kFontGlyphCount][kFontGlyphRows];

// The 16 rows of the glyph of `code`, or null for a code without a glyph.
const std::uint8_t* find_glyph(int code);

}  // namespace quorvel::display
