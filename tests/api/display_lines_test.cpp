#include <cstdint>
#include <vector>

#include "display_traffic.h"
#include "simulated_card.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using LineDrawing = SimulatedCard;

struct Line {
    std::uint8_t x0, y0, x1, y1, level0, level1;
};

// The examples as the immediate variant sends them: pairs as one byte, single points as the byte
// of their pixel with the partner pixel 0.
TEST_F(LineDrawing, ImmediateLinesSendPairsAndSinglePoints) {
    struct Case {
        Line line;
        std::vector<DisplayWrite> writes;
    };
    const Case cases[] = {
        {{10, 5, 3, 5, 15, 8}, {{5, 5, {0xF0}}, {5, 4, {0xDE}}, {5, 3, {0xBC}}, {5, 2, {0x9A}}}},
        {{0, 0, 4, 1, 0, 15}, {{0, 0, {0x03}}, {0, 1, {0x7B}}}},
        {{0, 0, 3, 10, 15, 0},
         {{0, 0, {0xF0}}, {1, 0, {0xD0}}, {2, 0, {0xC0}}, {3, 0, {0xA0}}, {4, 0, {0x09}},
          {5, 0, {0x07}}, {6, 0, {0x06}}, {7, 1, {0x40}}, {8, 1, {0x30}}, {9, 1, {0x10}}}},
        {{5, 5, 6, 5, 3, 9}, {{5, 2, {0x03}}}},      // one step: only the start point
        {{7, 7, 7, 7, 1, 15}, {}},                   // no step: nothing, whatever the levels
        {{1, 0, 5, 0, 4, 4}, {{0, 0, {0x04}}, {0, 1, {0x44}}, {0, 2, {0x40}}}},  // odd start
        {{0, 0, 2, 0, 0x12, 0x12}, {{0, 0, {0x22}}}},  // levels count by their low 4 bits
        {{3, 0, 1, 0, 0x21, 0x21}, {{0, 1, {0x11}}}},  // leftward pair, high bits dropped
    };
    for (const Case& c : cases) {
        const Line& l = c.line;
        SCOPED_TRACE(testing::Message() << int(l.x0) << "," << int(l.y0) << " to " << int(l.x1)
                                        << "," << int(l.y1));
        ch367sim_clear_log();
        DioWriteOLEDLineImm(card, l.x0, l.y0, l.x1, l.y1, l.level0, l.level1);
        EXPECT_EQ(display_writes(), c.writes);
    }
}

TEST_F(LineDrawing, BufferedLinesBlendEachPointAndKeepPartnerPixels) {
    const Bytes background(8192, 0x11);
    DioWriteOLEDScreenArrBuff(card, DIO_BLEND_REPLACE, background.data());
    DioWriteOLEDLineBuff(card, DIO_BLEND_REPLACE, 10, 5, 3, 5, 15, 8);
    DioWriteOLEDLineBuff(card, DIO_BLEND_MAX, 0, 0, 0, 3, 0, 6);  // levels 0, 2, 4
    DioWriteOLEDLineBuff(card, 9, 0, 10, 200, 10, 15, 15);        // no blend mode: nothing
    Bytes expected = background;
    expected[5 * 128 + 5] = 0xF1;  // single point: its partner keeps the background
    expected[5 * 128 + 4] = 0xDE;
    expected[5 * 128 + 3] = 0xBC;
    expected[5 * 128 + 2] = 0x9A;
    expected[1 * 128] = 0x21;
    expected[2 * 128] = 0x41;
    EXPECT_EQ(frame_buffer(card), expected);
}

// Ramps where one multiply and one add, each rounded to single precision, give a level 1 that
// double precision (first line, pixel 25) or a fused multiply-add (second line, pixel 7) gives as 0.
TEST_F(LineDrawing, RampsRoundEverySinglePrecisionStep) {
    DioWriteOLEDLineBuff(card, DIO_BLEND_REPLACE, 0, 0, 50, 0, 0, 2);
    DioWriteOLEDLineBuff(card, DIO_BLEND_REPLACE, 0, 1, 14, 1, 2, 0);
    const Bytes image = frame_buffer(card);
    EXPECT_EQ(image[12], 0x01);
    EXPECT_EQ(image[128 + 3], 0x11);
}

TEST_F(LineDrawing, LongestLinesHave255PointsAndNeverTheEndPoint) {
    DioWriteOLEDLineBuff(card, DIO_BLEND_OR, 0, 0, 255, 0, 15, 15);
    DioWriteOLEDLineBuff(card, DIO_BLEND_OR, 255, 63, 0, 0, 1, 1);
    const Bytes image = frame_buffer(card);
    for (std::size_t c = 0; c < 127; ++c) ASSERT_EQ(image[c], 0xFF) << c;
    EXPECT_EQ(image[127], 0xF0);  // pixel 255 is the end point
    std::size_t lit = 0;
    for (std::size_t i = 128; i < 8192; ++i) lit += (image[i] >> 4 != 0) + ((image[i] & 0x0F) != 0);
    // The second line's 255 points, less the four at x 4..1 that fall on row 0.
    EXPECT_EQ(lit, 251u);
    EXPECT_EQ(image[63 * 128 + 127], 0x01);
}

}  // namespace
