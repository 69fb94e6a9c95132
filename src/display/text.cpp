// Text in the built-in 8 x 16 font: each character cell becomes 16 runs of 4 packed bytes, lit
// pixels at level 15 and unlit ones at 0, handed to the run writers.
#include <cstring>

#include "display/font_table.h"
#include "display/run_targets.h"

using namespace quorvel::display;
using quorvel::link::usable;

namespace {

constexpr std::uint8_t kCellWidth = 8;     // pixels, and the advance from one character to the next
constexpr std::uint32_t kCellRowBytes = 4; // two pixels per byte

// Two adjacent glyph bits (left bit x 2 + right bit) as one display byte.
constexpr std::uint8_t kBitPairPattern[4] = {0x00, 0x0F, 0xF0, 0xFF};

// Draws the character `code` with its cell's top-left pixel at (x, y) through
// write_run(x, row, bytes, count): a run target. A code without a glyph draws nothing.
template <typename WriteRun>
void draw_char(std::uint8_t x, std::uint8_t y, std::int8_t code, WriteRun&& write_run) {
    const std::uint8_t* glyph = find_glyph(code);
    if (glyph == nullptr) return;
    for (int r = 0; r < kFontGlyphRows; ++r) {
        std::uint8_t cell_row[kCellRowBytes];
        for (std::uint32_t k = 0; k < kCellRowBytes; ++k) {
            cell_row[k] = kBitPairPattern[(glyph[r] >> (6 - 2 * k)) & 3];
        }
        write_run(x, static_cast<std::uint8_t>(y + r), cell_row, std::uint64_t{kCellRowBytes});
    }
}

// Draws a zero-terminated string along row y, 8 columns per character, the column wrapping from
// 255 to 0. A character without a glyph still takes its 8 columns.
template <typename WriteRun>
void draw_string(std::uint8_t x, std::uint8_t y, const char* text, WriteRun&& write_run) {
    if (text == nullptr) return;
    const std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i < length; ++i) {
        draw_char(static_cast<std::uint8_t>(x + kCellWidth * i), y,
                  static_cast<std::int8_t>(text[i]), write_run);
    }
}

}  // namespace

extern "C" {

QUORVEL_API void DioWriteOLEDCharImm(DioMasterHandle* handle, uint8_t x, uint8_t y, int8_t code) {
    if (!usable(handle)) return;
    draw_char(x, y, code, display_target(*handle));
}

QUORVEL_API void DioWriteOLEDCharBuff(DioMasterHandle* handle, int32_t mode, uint8_t x, uint8_t y,
                                      int8_t code) {
    if (!usable(handle)) return;
    draw_char(x, y, code, frame_buffer_target(*handle, mode));
}

QUORVEL_API void DioWriteOLEDStrImm(DioMasterHandle* handle, uint8_t x, uint8_t y,
                                    const char* text) {
    if (!usable(handle)) return;
    draw_string(x, y, text, display_target(*handle));
}

QUORVEL_API void DioWriteOLEDStrBuff(DioMasterHandle* handle, int32_t mode, uint8_t x, uint8_t y,
                                     const char* text) {
    if (!usable(handle)) return;
    draw_string(x, y, text, frame_buffer_target(*handle, mode));
}

}  // extern "C"
