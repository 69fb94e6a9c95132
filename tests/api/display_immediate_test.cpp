#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display_traffic.h"
#include "simulated_card.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using ImmediateDrawing = SimulatedCard;

TEST_F(ImmediateDrawing, SmallWritesSendExactBytes) {
    const std::uint8_t ab_cd[] = {0xAB, 0xCD};
    const std::uint8_t one[] = {0x9C};
    struct Case {
        const char* name;
        std::function<void(DioMasterHandle*)> draw;
        std::vector<DisplayWrite> expected;
    };
    const Case cases[] = {
        {"pixel at even x", [](auto c) { DioWriteOLEDPixelImm(c, 10, 3, 5); }, {{3, 5, {0x50}}}},
        {"pixel at odd x", [](auto c) { DioWriteOLEDPixelImm(c, 11, 3, 7); }, {{3, 5, {0x07}}}},
        {"level above 15, even x", [](auto c) { DioWriteOLEDPixelImm(c, 0, 0, 0x1F); }, {{0, 0, {0xF0}}}},
        {"level above 15, odd x", [](auto c) { DioWriteOLEDPixelImm(c, 1, 0, 0x1F); }, {{0, 0, {0x0F}}}},
        {"last pixel of a row", [](auto c) { DioWriteOLEDPixelImm(c, 255, 9, 1); }, {{9, 127, {0x01}}}},
        {"pair column past 127", [](auto c) { DioWriteOLEDPixelPairImm(c, 200, 2, 0xA5); }, {{2, 72, {0xA5}}}},
        {"row above 63 sent as is", [](auto c) { DioWriteOLEDPixelPairImm(c, 0, 200, 1); }, {{200, 0, {0x01}}}},
        {"run at even x", [&](auto c) { DioWriteOLEDArrImm(c, 4, 7, ab_cd, 2); }, {{7, 2, {0xAB, 0xCD}}}},
        {"run at odd x", [&](auto c) { DioWriteOLEDArrImm(c, 5, 7, ab_cd, 2); }, {{7, 2, {0x0A, 0xBC, 0xD0}}}},
        {"one byte at odd x", [&](auto c) { DioWriteOLEDArrImm(c, 255, 1, one, 1); }, {{1, 127, {0x09, 0xC0}}}},
        {"empty run at even x", [&](auto c) { DioWriteOLEDArrImm(c, 4, 7, ab_cd, 0); }, {{7, 2, {}}}},
        {"empty run at odd x", [&](auto c) { DioWriteOLEDArrImm(c, 5, 7, ab_cd, 0); }, {}},
        {"area of height 0", [&](auto c) { DioWriteOLEDAreaArrImm(c, 4, 7, 2, 0, ab_cd); }, {}},
        {"area rows sent unchanged",
         [&](auto c) { DioWriteOLEDAreaArrImm(c, 3, 254, 1, 2, ab_cd); },
         {{254, 1, {0x0A, 0xB0}}, {255, 1, {0x0C, 0xD0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ch367sim_clear_log();
        c.draw(card);
        EXPECT_EQ(display_writes(), c.expected);
    }
}

TEST_F(ImmediateDrawing, RowAndScreenGoOutAsOneDataTransaction) {
    Bytes screen(8192);
    for (std::size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<std::uint8_t>(i * 7);
    DioWriteOLEDRowArrImm(card, 63, screen.data());
    DioWriteOLEDScreenArrImm(card, screen.data());
    const std::vector<DisplayWrite> expected = {{63, 0, Bytes(screen.begin(), screen.begin() + 128)},
                                                {0, 0, screen}};
    EXPECT_EQ(display_writes(), expected);
}

TEST_F(ImmediateDrawing, AreaRowsStartAtTheirOwnAddress) {
    const std::uint8_t area[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    DioWriteOLEDAreaArrImm(card, 20, 60, 2, 8, area);
    const auto writes = display_writes();
    ASSERT_EQ(writes.size(), 8u);
    for (std::uint8_t i = 0; i < 8; ++i) {
        EXPECT_EQ(writes[i], (DisplayWrite{std::uint8_t(60 + i), 10, {area[2 * i], area[2 * i + 1]}}));
    }
}

// Columns of one pixel per byte, the levels given per column.
struct UnpackedScreen {
    std::array<std::array<std::uint8_t, 64>, 256> levels{};
    std::array<const std::uint8_t*, 256> columns{};
    UnpackedScreen() {
        for (std::size_t x = 0; x < 256; ++x) columns[x] = levels[x].data();
    }
};

TEST_F(ImmediateDrawing, UnpackedScreenGoesOutAsSixtyFourRows) {
    UnpackedScreen screen;
    for (std::size_t x = 0; x < 256; ++x) {
        // Odd columns carry junk in the high nibble: only the low 4 bits are a level.
        screen.levels[x].fill(static_cast<std::uint8_t>((x & 0x0F) | (x & 1 ? 0x30 : 0x00)));
    }
    DioWriteOLED2DUnpackedArrImm(card, screen.columns.data());
    const Bytes pattern = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    Bytes row;
    for (int i = 0; i < 16; ++i) row.insert(row.end(), pattern.begin(), pattern.end());
    std::vector<DisplayWrite> expected;
    for (std::uint8_t r = 0; r < 64; ++r) expected.push_back({r, 0, row});
    EXPECT_EQ(display_writes(), expected);
}

TEST_F(ImmediateDrawing, MissingDataSendsNothing) {
    UnpackedScreen screen;
    screen.columns[255] = nullptr;
    DioWriteOLEDArrImm(card, 0, 0, nullptr, 4);
    DioWriteOLEDArrImm(card, 1, 0, nullptr, 4);
    DioWriteOLEDRowArrImm(card, 0, nullptr);
    DioWriteOLEDScreenArrImm(card, nullptr);
    DioWriteOLEDAreaArrImm(card, 0, 0, 4, 4, nullptr);
    DioWriteOLED2DUnpackedArrImm(card, nullptr);
    DioWriteOLED2DUnpackedArrImm(card, screen.columns.data());
    EXPECT_TRUE(logged_transactions().empty());
}

TEST_F(ImmediateDrawing, OddRunWithoutMemoryForItsRepackingSendsNothing) {
    const std::uint8_t byte = 0x11;
    // Never read: the run's buffer cannot be obtained for these lengths.
    DioWriteOLEDArrImm(card, 1, 0, &byte, std::uint64_t{1} << 62);
    DioWriteOLEDArrImm(card, 1, 0, &byte, UINT64_MAX);
    EXPECT_TRUE(logged_transactions().empty());
}

TEST_F(ImmediateDrawing, LongOddRunIsRepackedWhole) {
    Bytes run(9000);
    for (std::size_t i = 0; i < run.size(); ++i) run[i] = static_cast<std::uint8_t>(i);
    DioWriteOLEDArrImm(card, 1, 0, run.data(), run.size());
    const auto writes = display_writes();
    ASSERT_EQ(writes.size(), 1u);
    ASSERT_EQ(writes[0].data.size(), 9001u);
    EXPECT_EQ(writes[0].data[0], 0x00);
    EXPECT_EQ(writes[0].data[8500], 0x33);  // low nibble of byte 8499 (0x33), high of 8500 (0x34)
    EXPECT_EQ(writes[0].data[9000], 0x70);  // low nibble of the last byte, 0x27
}

}  // namespace
