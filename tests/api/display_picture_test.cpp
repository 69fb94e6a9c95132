// Whole pictures on the simulated panel: drawn through the library, compared with golden
// pictures kept as text (one hex digit per pixel, '.' for 0), and written as PNG files to look at.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "simulated_card.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using DisplayPicture = SimulatedCard;

constexpr int kWidth = 256;
constexpr int kHeight = 64;

std::string panel_as_text() {
    std::string text;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) text += ".123456789ABCDEF"[panel_level(x, y)];
        text += '\n';
    }
    return text;
}

// Where a picture of the panel goes: the test directory of the build tree.
std::string picture_path(const std::string& file) {
    return std::string(QUORVEL_PICTURE_DIR) + "/" + file;
}

// Compares the panel with golden picture `name`; on a difference, writes what the panel shows
// to the test directory of the build tree, so the two can be compared line by line.
void expect_panel_matches(const std::string& name) {
    std::ifstream golden(std::string(QUORVEL_GOLDEN_DIR) + "/" + name + ".txt");
    ASSERT_TRUE(golden) << "no golden picture " << name;
    const std::string expected{std::istreambuf_iterator<char>(golden), {}};
    const std::string actual = panel_as_text();
    if (actual != expected) {
        std::ofstream(picture_path(name + ".actual.txt")) << actual;
        ADD_FAILURE() << "the panel differs from golden picture " << name << "; it shows "
                      << picture_path(name + ".actual.txt");
    }
}

// One area of `width` bytes x `height` rows from pixel (x, y), every byte `value`.
void fill_area(DioMasterHandle* card, std::int32_t mode, std::uint8_t x, std::uint8_t y,
               std::uint8_t width, std::uint8_t height, std::uint8_t value) {
    const Bytes area(width * height, value);
    DioWriteOLEDAreaArrBuff(card, mode, x, y, width, height, area.data());
}

TEST_F(DisplayPicture, FrameBufferSceneReachesThePanel) {
    DioSetupOLED(card, &status);
    Bytes gradient(128 * 3);
    for (std::size_t i = 0; i < gradient.size(); ++i) gradient[i] = (i % 128 / 8) * 0x11;
    DioWriteOLEDAreaArrBuff(card, DIO_BLEND_REPLACE, 0, 0, 128, 3, gradient.data());
    DioWriteOLEDStrBuff(card, DIO_BLEND_REPLACE, 8, 4, "Quorvel OLED 256x64");
    DioWriteOLEDLineBuff(card, DIO_BLEND_REPLACE, 0, 21, 255, 21, 0, 15);
    DioWriteOLEDLineBuff(card, DIO_BLEND_REPLACE, 0, 63, 40, 23, 15, 3);
    DioWriteOLEDLineBuff(card, DIO_BLEND_REPLACE, 40, 23, 80, 63, 3, 15);

    fill_area(card, DIO_BLEND_REPLACE, 96, 26, 24, 16, 0x66);
    DioWriteOLEDStrBuff(card, DIO_BLEND_XOR, 100, 26, "XOR");
    fill_area(card, DIO_BLEND_REPLACE, 160, 26, 24, 16, 0x44);
    DioWriteOLEDStrBuff(card, DIO_BLEND_MAX, 164, 26, "MAX");
    fill_area(card, DIO_BLEND_REPLACE, 96, 46, 24, 16, 0x30);
    DioWriteOLEDStrBuff(card, DIO_BLEND_NONZERO_REPLACE, 100, 46, "NZR");
    fill_area(card, DIO_BLEND_REPLACE, 160, 46, 24, 16, 0x22);
    DioWriteOLEDStrBuff(card, DIO_BLEND_OR, 165, 46, "odd");
    DioWriteOLEDLineBuff(card, DIO_BLEND_XOR, 96, 44, 255, 44, 15, 15);
    DioSendOLEDBuff(card);

    EXPECT_EQ(ch367sim_display_is_on(), 1);
    EXPECT_EQ(ch367sim_display_unknown_commands(), 0u);
    EXPECT_EQ(ch367sim_write_display_png(picture_path("display_scene.png").c_str(), 3), 1);
    expect_panel_matches("display_scene");
}

// Every glyph on the panel, three rows of 32 characters and a sentence; the picture is there to
// be looked at, the checks hold the font's drawing rules: a blank top row and left column in
// every cell, only the levels 0 and 15, and a lit pixel in every cell but the space's.
TEST_F(DisplayPicture, WholeFontIsDrawnByItsRules) {
    DioSetupOLED(card, &status);
    for (int line = 0; line < 3; ++line) {
        std::string codes;
        for (int i = 0; i < 32; ++i) codes += static_cast<char>(32 + 32 * line + i);
        DioWriteOLEDStrImm(card, 0, static_cast<std::uint8_t>(16 * line), codes.c_str());
    }
    DioWriteOLEDStrImm(card, 0, 48, "Pack my box with 5 dozen jugs?!");
    EXPECT_EQ(ch367sim_write_display_png(picture_path("display_font.png").c_str(), 4), 1);

    for (int code = 32; code < 128; ++code) {
        SCOPED_TRACE(code);
        const int left = (code - 32) % 32 * 8;
        const int top = (code - 32) / 32 * 16;
        int lit = 0;
        for (int y = top; y < top + 16; ++y) {
            for (int x = left; x < left + 8; ++x) {
                const int level = panel_level(x, y);
                ASSERT_TRUE(level == 0 || level == 15) << x << "," << y;
                if (y == top || x == left) {
                    ASSERT_EQ(level, 0) << x << "," << y;
                }
                lit += level != 0;
            }
        }
        EXPECT_EQ(lit == 0, code == ' ');
    }
}

// Text on a clear screen looks the same drawn straight to the display and through the frame buffer.
TEST_F(DisplayPicture, ImmediateAndBufferedTextLookTheSame) {
    DioSetupOLED(card, &status);
    DioWriteOLEDStrImm(card, 3, 40, "Same~{}");
    DioWriteOLEDStrImm(card, 200, 5, "wrap");
    const Bytes immediate(ch367sim_display_memory(), ch367sim_display_memory() + 8192);

    DIOClearOLEDImm(card);
    DioWriteOLEDStrBuff(card, DIO_BLEND_REPLACE, 3, 40, "Same~{}");
    DioWriteOLEDStrBuff(card, DIO_BLEND_REPLACE, 200, 5, "wrap");
    DioSendOLEDBuff(card);
    EXPECT_EQ(Bytes(ch367sim_display_memory(), ch367sim_display_memory() + 8192), immediate);
}

}  // namespace
