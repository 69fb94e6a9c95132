#include <cstdint>
#include <functional>
#include <vector>

#include "display_traffic.h"
#include "simulated_card.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using FrameBuffer = SimulatedCard;

std::size_t at(std::size_t row, std::size_t column) { return row * 128 + column; }

TEST_F(FrameBuffer, PixelPairBlendsIntoItsByteOnly) {
    for (std::int32_t mode : {DIO_BLEND_OR, 5}) {
        SCOPED_TRACE(mode);
        DioWriteOLEDPixelPairBuff(card, DIO_BLEND_REPLACE, 9, 4, 0x3C);
        DioWriteOLEDPixelPairBuff(card, mode, 9, 4, 0x5A);
        const Bytes image = frame_buffer(card);
        EXPECT_EQ(image[at(4, 9)], mode == DIO_BLEND_OR ? 0x7E : 0x3C);
        EXPECT_EQ(image[at(4, 8)] | image[at(4, 10)], 0);
    }
}

TEST_F(FrameBuffer, PixelBlendsOnlyItsOwnNibble) {
    struct Case {
        std::uint8_t before;
        std::int32_t mode;
        std::uint8_t x;
        std::uint8_t level;
        std::uint8_t after;
    };
    const Case cases[] = {
        {0x12, DIO_BLEND_REPLACE, 3, 9, 0x19}, {0x12, DIO_BLEND_REPLACE, 2, 9, 0x92},
        {0x12, DIO_BLEND_MAX, 3, 9, 0x19},     {0x12, DIO_BLEND_MAX, 3, 1, 0x12},
        {0x52, DIO_BLEND_MAX, 2, 3, 0x52},     {0x12, DIO_BLEND_OR, 2, 0x1F, 0xF2},
        {0x12, DIO_BLEND_XOR, 3, 0x1F, 0x1D},  {0x12, DIO_BLEND_NONZERO_REPLACE, 3, 0x10, 0x12},
        {0x12, DIO_BLEND_NONZERO_REPLACE, 2, 0x04, 0x42}, {0x12, 5, 2, 9, 0x12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " x " << int(c.x));
        DioWriteOLEDPixelPairBuff(card, DIO_BLEND_REPLACE, 1, 0, c.before);
        DioWriteOLEDPixelBuff(card, c.mode, c.x, 0, c.level);
        EXPECT_EQ(frame_buffer(card)[1], c.after);
    }
}

TEST_F(FrameBuffer, RowsAndColumnsWrapInEveryWriter) {
    const std::uint8_t bytes[] = {0xAB, 0xCD, 0xEF};
    struct Case {
        const char* name;
        std::function<void(DioMasterHandle*)> draw;
        std::vector<std::pair<std::size_t, std::uint8_t>> expected;  // index, byte
    };
    const Case cases[] = {
        {"pixel, row 64", [](auto c) { DioWriteOLEDPixelBuff(c, 0, 4, 64, 7); }, {{at(0, 2), 0x70}}},
        {"pair, row 200, column 130",
         [](auto c) { DioWriteOLEDPixelPairBuff(c, 0, 130, 200, 0x42); }, {{at(8, 2), 0x42}}},
        {"run, row 200", [&](auto c) { DioWriteOLEDArrBuff(c, 0, 2, 200, bytes, 1); }, {{at(8, 1), 0xAB}}},
        {"run past the end of a row", [&](auto c) { DioWriteOLEDArrBuff(c, 0, 254, 3, bytes, 2); },
         {{at(3, 127), 0xAB}, {at(4, 0), 0xCD}}},
        {"replace run past the last row", [&](auto c) { DioWriteOLEDArrBuff(c, 0, 253, 63, bytes, 3); },
         {{at(63, 126), 0x0A}, {at(63, 127), 0xBC}, {at(0, 0), 0xDE}, {at(0, 1), 0xF0}}},
        {"OR run past the last row", [&](auto c) { DioWriteOLEDArrBuff(c, 1, 254, 63, bytes, 3); },
         {{at(63, 127), 0xAB}, {at(0, 0), 0xCD}, {at(0, 1), 0xEF}}},
        {"area rows", [&](auto c) { DioWriteOLEDAreaArrBuff(c, 0, 0, 62, 1, 3, bytes); },
         {{at(62, 0), 0xAB}, {at(63, 0), 0xCD}, {at(0, 0), 0xEF}}},
        {"area rows from 255", [&](auto c) { DioWriteOLEDAreaArrBuff(c, 0, 0, 255, 1, 2, bytes); },
         {{at(63, 0), 0xAB}, {at(0, 0), 0xCD}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DioClearOLEDBuff(card);
        c.draw(card);
        Bytes expected(8192);
        for (const auto& [index, byte] : c.expected) expected[index] = byte;
        EXPECT_EQ(frame_buffer(card), expected);
    }
}

TEST_F(FrameBuffer, OddRunCarriesZeroNibblesThatOnlyReplaceWrites) {
    const std::uint8_t bytes[] = {0xAB, 0xCD};
    struct Case {
        std::int32_t mode;
        Bytes columns_2_to_4;  // on a row of 0x11
    };
    const Case cases[] = {
        {DIO_BLEND_REPLACE, {0x0A, 0xBC, 0xD0}}, {DIO_BLEND_OR, {0x1B, 0xBD, 0xD1}},
        {DIO_BLEND_MAX, {0x1A, 0xBC, 0xD1}},     {DIO_BLEND_XOR, {0x1B, 0xAD, 0xC1}},
        {DIO_BLEND_NONZERO_REPLACE, {0x1A, 0xBC, 0xD1}}, {7, {0x11, 0x11, 0x11}},
    };
    const Bytes row(128, 0x11);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        DioWriteOLEDRowArrBuff(card, DIO_BLEND_REPLACE, 6, row.data());
        DioWriteOLEDArrBuff(card, c.mode, 5, 6, bytes, 2);
        DioWriteOLEDArrBuff(card, c.mode, 5, 6, bytes, 0);  // an empty odd run changes nothing
        const Bytes image = frame_buffer(card);
        EXPECT_EQ(Bytes(image.begin() + at(6, 1), image.begin() + at(6, 6)),
                  (Bytes{0x11, c.columns_2_to_4[0], c.columns_2_to_4[1], c.columns_2_to_4[2], 0x11}));
    }
}

TEST_F(FrameBuffer, WholeScreenAtOddXWrapsAroundAndXorTwiceRestores) {
    Bytes screen(8192);
    for (std::size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<std::uint8_t>(i * 13 + 1);
    DioWriteOLEDScreenArrBuff(card, DIO_BLEND_REPLACE, screen.data());
    // 8193 bytes from index 0: the last byte lands on index 0 again.
    DioWriteOLEDArrBuff(card, DIO_BLEND_REPLACE, 1, 0, screen.data(), screen.size());
    Bytes expected(8192);
    expected[0] = static_cast<std::uint8_t>(screen[8191] << 4);
    for (std::size_t i = 1; i < 8192; ++i) {
        expected[i] = static_cast<std::uint8_t>(screen[i - 1] << 4 | screen[i] >> 4);
    }
    EXPECT_EQ(frame_buffer(card), expected);

    DioWriteOLEDScreenArrBuff(card, DIO_BLEND_XOR, screen.data());
    DioWriteOLEDScreenArrBuff(card, DIO_BLEND_XOR, screen.data());
    EXPECT_EQ(frame_buffer(card), expected);
}

TEST_F(FrameBuffer, NothingToDrawChangesNothing) {
    const std::uint8_t byte = 0xFF;
    DioWriteOLEDScreenArrBuff(card, DIO_BLEND_REPLACE, Bytes(8192, 0x5A).data());
    for (std::int32_t mode : {0, 1, 2, 3, 4, 5}) {
        DioWriteOLEDArrBuff(card, mode, 0, 0, nullptr, 4);
        DioWriteOLEDRowArrBuff(card, mode, 0, nullptr);
        DioWriteOLEDScreenArrBuff(card, mode, nullptr);
        DioWriteOLEDAreaArrBuff(card, mode, 0, 0, 4, 4, nullptr);
        DioWriteOLEDAreaArrBuff(card, mode, 0, 0, 1, 0, &byte);
        DioWriteOLEDArrBuff(card, mode, 3, 0, &byte, std::uint64_t{1} << 62);  // no memory for it
    }
    EXPECT_EQ(frame_buffer(card), Bytes(8192, 0x5A));
}

TEST_F(FrameBuffer, SendAndClearLeaveTheOtherSideAlone) {
    DioWriteOLEDPixelPairBuff(card, DIO_BLEND_REPLACE, 0, 0, 0x12);
    EXPECT_EQ(frame_buffer(card)[0], 0x12);
    EXPECT_EQ(frame_buffer(card)[0], 0x12);  // sending keeps the frame buffer
    DioClearOLEDBuff(card);
    EXPECT_TRUE(logged_transactions().empty());
    EXPECT_EQ(frame_buffer(card), Bytes(8192));
}

}  // namespace
