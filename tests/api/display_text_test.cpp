#include <cstdint>
#include <string>
#include <vector>

#include "display_traffic.h"
#include "simulated_card.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using TextDrawing = SimulatedCard;

// Glyph rows of "A" as display bytes: two pixels per byte, lit at 15.
const Bytes kBlank = {0x00, 0x00, 0x00, 0x00};
const Bytes kApex = {0x00, 0x0F, 0xF0, 0x00};      // 0x18
const Bytes kShoulders = {0x00, 0xF0, 0x0F, 0x00}; // 0x24
const Bytes kLegs = {0x0F, 0x00, 0x00, 0xF0};      // 0x42
const Bytes kCrossbar = {0x0F, 0xFF, 0xFF, 0xF0};  // 0x7E
const std::vector<Bytes> kLetterA = {kBlank, kBlank, kBlank, kBlank, kApex, kShoulders,
                                     kShoulders, kLegs, kLegs, kCrossbar, kLegs, kLegs,
                                     kLegs, kLegs, kBlank, kBlank};

TEST_F(TextDrawing, CharacterCellGoesOutAsSixteenRuns) {
    DioWriteOLEDCharImm(card, 8, 20, 'A');
    std::vector<DisplayWrite> expected;
    for (std::uint8_t r = 0; r < 16; ++r) expected.push_back({std::uint8_t(20 + r), 4, kLetterA[r]});
    EXPECT_EQ(display_writes(), expected);

    ch367sim_clear_log();
    DioWriteOLEDCharImm(card, 9, 250, 'A');  // odd x: shifted runs; rows go out as 8-bit sums
    const auto shifted = display_writes();
    ASSERT_EQ(shifted.size(), 16u);
    EXPECT_EQ(shifted[4], (DisplayWrite{254, 4, {0x00, 0x00, 0xFF, 0x00, 0x00}}));
    EXPECT_EQ(shifted[9], (DisplayWrite{3, 4, {0x00, 0xFF, 0xFF, 0xFF, 0x00}}));
}

TEST_F(TextDrawing, OnlyCodesWithAGlyphDraw) {
    for (int code : {0, 31, -1, -128}) DioWriteOLEDCharImm(card, 0, 0, static_cast<std::int8_t>(code));
    DioWriteOLEDStrImm(card, 0, 0, "");
    DioWriteOLEDStrImm(card, 0, 0, nullptr);
    DioWriteOLEDStrBuff(card, DIO_BLEND_REPLACE, 0, 0, nullptr);
    EXPECT_TRUE(logged_transactions().empty());

    DioWriteOLEDCharImm(card, 0, 0, 127);  // the last glyph of the font: a hatched block
    const auto writes = display_writes();
    ASSERT_EQ(writes.size(), 16u);
    EXPECT_EQ(writes[1].data, (Bytes{0x0F, 0x0F, 0x0F, 0x0F}));  // 0x55
    EXPECT_EQ(writes[2].data, (Bytes{0x00, 0xF0, 0xF0, 0xF0}));  // 0x2A
}

TEST_F(TextDrawing, StringAdvancesEightColumnsAndWrapsOnItsRow) {
    const std::string text = "A\x01" + std::string(31, 'B');  // 33 characters, one rejected
    DioWriteOLEDStrImm(card, 0, 30, text.c_str());
    const auto writes = display_writes();
    ASSERT_EQ(writes.size(), 32u * 16u);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const std::size_t character = i / 16 == 0 ? 0 : i / 16 + 1;  // the second one is skipped
        ASSERT_EQ(writes[i].row, 30 + i % 16) << i;
        ASSERT_EQ(writes[i].column, (character * 4) % 128) << i;
    }
    EXPECT_EQ(writes.back().column, 0);  // the 33rd character lands on the first
}

TEST_F(TextDrawing, BufferedTextBlendsIntoTheFrameBuffer) {
    const Bytes background(8192, 0x11);
    DioWriteOLEDScreenArrBuff(card, DIO_BLEND_REPLACE, background.data());
    DioWriteOLEDCharBuff(card, DIO_BLEND_NONZERO_REPLACE, 0, 0, 'A');  // unlit pixels keep 1
    DioWriteOLEDCharBuff(card, DIO_BLEND_REPLACE, 8, 56, '_');        // rows 56..63, then 0..7
    DioWriteOLEDStrBuff(card, DIO_BLEND_XOR, 16, 10, "xor");
    DioWriteOLEDStrBuff(card, DIO_BLEND_XOR, 16, 10, "xor");
    DioWriteOLEDCharBuff(card, 5, 16, 10, 'W');

    const Bytes image = frame_buffer(card);
    auto cell_row = [&](std::size_t row, std::size_t column) {
        return Bytes(image.begin() + row * 128 + column, image.begin() + row * 128 + column + 4);
    };
    EXPECT_EQ(cell_row(4, 0), (Bytes{0x11, 0x1F, 0xF1, 0x11}));
    EXPECT_EQ(cell_row(9, 0), (Bytes{0x1F, 0xFF, 0xFF, 0xF1}));
    EXPECT_EQ(cell_row(56, 4), kBlank);
    EXPECT_EQ(cell_row(7, 4), (Bytes{0x0F, 0xFF, 0xFF, 0xFF}));  // the underscore's row 15
    for (std::size_t row = 10; row < 26; ++row) {  // "xor" drawn twice in XOR mode: gone again
        EXPECT_EQ(Bytes(image.begin() + row * 128 + 8, image.begin() + row * 128 + 20),
                  Bytes(12, 0x11))
            << row;
    }
}

}  // namespace
