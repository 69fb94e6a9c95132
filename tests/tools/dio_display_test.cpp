// dio's display commands against the simulated panel: what a dio script draws must be what the
// same drawing through the library shows. The script runs inside this process (dio's own
// entry point, without main), so that it draws on this process's simulated card; the two panels
// are compared as PNG pictures with `dio compare`.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "dio_process.h"
#include "gray_levels.h"
#include "image_io.h"
#include "runner.h"
#include "simulated_card.h"

namespace {

constexpr std::uint32_t kPictureWidth = 40;
constexpr std::uint32_t kPictureHeight = 12;

std::uint8_t picture_level(std::uint32_t x, std::uint32_t y) { return (x + 3 * y) % 16; }

class DioDisplayTest : public SimulatedCard, protected DioRunner {
protected:
    // A picture whose grays are exact levels, and its rows in display packing.
    void write_picture(const std::string& name) const {
        dio::RgbaImage image{kPictureWidth, kPictureHeight, {}};
        for (std::uint32_t y = 0; y < kPictureHeight; ++y) {
            for (std::uint32_t x = 0; x < kPictureWidth; ++x) {
                const auto gray = static_cast<std::uint8_t>(picture_level(x, y) * 17);
                image.pixels.insert(image.pixels.end(), {gray, gray, gray, 255});
            }
        }
        dio::write_png(path(name).string(), image);
    }
    static std::vector<std::uint8_t> picture_rows() {
        std::vector<std::uint8_t> rows;
        for (std::uint32_t y = 0; y < kPictureHeight; ++y) {
            for (std::uint32_t x = 0; x < kPictureWidth; x += 2) {
                rows.push_back(static_cast<std::uint8_t>(picture_level(x, y) << 4 | picture_level(x + 1, y)));
            }
        }
        return rows;
    }

    void save_panel(const std::string& name) const {
        ASSERT_EQ(ch367sim_write_display_png(path(name).string().c_str(), 1), 1);
    }

    // Runs the script with dio on the simulated card, from power-on, and saves the panel.
    void draw_with_dio(const std::string& script, const std::string& panel) const {
        write("script.dio", script);
        ch367sim_reset();
        ASSERT_EQ(dio::run_program({"run", path("script.dio").string()}), 0);
        save_panel(panel);
    }

    void expect_same_panels(const std::string& first, const std::string& second) const {
        const DioResult result = dio({"compare", first, second, "--diff", "diff.png"});
        EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
        EXPECT_EQ(result.out, "0 of 16384 pixels differ\n");
        // The panels must show something for the comparison to mean anything.
        const dio::RgbaImage panel = dio::read_png(path(first).string(), dio::kComparedPictureLimit);
        bool lit = false;
        for (std::size_t i = 0; i < panel.pixels.size(); i += 4) lit = lit || panel.pixels[i] != 0;
        EXPECT_TRUE(lit) << "the panel is black";
    }
};

TEST_F(DioDisplayTest, ScriptDrawsWhatTheLibraryDraws) {
    write_picture("picture.png");
    write("area.hex", "# two rows of two bytes\nff 0f\nf0 ff\n");
    ASSERT_EQ(dio({"convert", "picture.png", "picture.bmp"}).exit_code, 0);
    const std::vector<std::uint8_t> rows = picture_rows();
    const std::uint8_t area[] = {0x12, 0x34, 0x56, 0x78};
    std::int16_t status = 0;
    DioSetupOLED(card, &status);
    DioWriteOLEDStrBuff(card, DIO_BLEND_REPLACE, 8, 4, "Quorvel DIO");
    DioWriteOLEDLineBuff(card, DIO_BLEND_MAX, 0, 30, 255, 40, 15, 0);
    DioWriteOLEDAreaArrBuff(card, DIO_BLEND_XOR, 11, 40, kPictureWidth / 2, kPictureHeight, rows.data());
    const std::uint8_t from_file[] = {0xFF, 0x0F, 0xF0, 0xFF};
    DioWriteOLEDAreaArrBuff(card, DIO_BLEND_OR, 60, 10, 2, 2, from_file);
    DioBitmap* bitmap = DioOpenBMP(nullptr, path("picture.bmp").string().c_str(), &status);
    DioWriteOLEDAreaBMPBuff(card, DIO_BLEND_NONZERO_REPLACE, 150, 44, bitmap);
    DioSendOLEDBuff(card);
    DioWriteOLEDAreaArrImm(card, 201, 2, 2, 2, area);
    DioWriteOLEDStrImm(card, 100, 20, "imm");
    DioWriteOLEDLineImm(card, 255, 63, 128, 0, 3, 12);
    DioWriteOLEDAreaBMPImm(card, 200, 50, bitmap);
    DioCloseBMP(nullptr, &bitmap);
    save_panel("library.png");

    draw_with_dio(
        "oled setup\n"
        "oled text 8 4 'Quorvel DIO'\n"
        "oled line 0 30 255 40 15 0 --mode max\n"
        "oled image " + path("picture.png").generic_string() + " 11 40 --mode xor\n"
        "oled area 60 10 2 2 " + path("area.hex").generic_string() + " --mode or\n"
        "oled bitmap " + path("picture.bmp").generic_string() + " 150 44 --mode nonzero\n"
        "oled send\n"
        "oled area 201 2 2 2 1234 56 0x78 --imm\n"
        "oled text 100 20 imm --imm\n"
        "oled line 255 63 128 0 3 12 --imm\n"
        "oled bitmap " + path("picture.bmp").generic_string() + " 200 50 --imm\n",
        "dio.png");
    expect_same_panels("dio.png", "library.png");
}

// A single command from the shell has no later `oled send`: its frame buffer is sent as it ends.
TEST_F(DioDisplayTest, ASingleCommandSendsItsFrameBufferDrawing) {
    DioWriteOLEDStrBuff(card, DIO_BLEND_REPLACE, 20, 9, "Hi");
    DioSendOLEDBuff(card);
    const std::vector<std::uint8_t> library(ch367sim_display_memory(), ch367sim_display_memory() + 8192);
    ASSERT_NE(std::count(library.begin(), library.end(), 0), 8192);

    ch367sim_reset();
    ASSERT_EQ(dio::run_program({"oled", "text", "20", "9", "Hi"}), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(ch367sim_display_memory(), ch367sim_display_memory() + 8192),
              library);
}

// A picture converted by dio, loaded and drawn by the library, shows its gray levels on the
// panel, top row at the top, at an odd column and with a width that leaves row padding.
TEST_F(DioDisplayTest, ConvertedPictureDrawsAsItLooks) {
    constexpr std::uint32_t width = 100;
    constexpr std::uint32_t height = 20;
    constexpr std::uint32_t left = 11;
    constexpr std::uint32_t top = 7;
    dio::RgbaImage source{width, height, {}};
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto gray = static_cast<std::uint8_t>((x * 255 / (width - 1) + y * 40) % 256);
            source.pixels.insert(source.pixels.end(), {gray, gray, gray, 255});
        }
    }
    dio::write_png(path("source.png").string(), source);

    for (const bool dither : {false, true}) {
        std::vector<std::string> arguments{"convert", "source.png", "source.bmp"};
        if (dither) arguments.push_back("--dither");
        ASSERT_EQ(dio(arguments).exit_code, 0);

        std::int16_t status = 0;
        DioSetupOLED(card, &status);
        DioBitmap* bitmap = DioOpenBMP(nullptr, path("source.bmp").string().c_str(), &status);
        ASSERT_NE(bitmap, nullptr);
        DioWriteOLEDAreaBMPImm(card, left, top, bitmap);
        DioCloseBMP(nullptr, &bitmap);
        save_panel("panel.png");

        const dio::GrayImage levels =
            dio::to_gray_levels(source, dither ? dio::Dither::floyd_steinberg : dio::Dither::none);
        const dio::RgbaImage panel = dio::read_png(path("panel.png").string(), dio::kComparedPictureLimit);
        int wrong = 0;
        for (std::uint32_t y = 0; y < 64; ++y) {
            for (std::uint32_t x = 0; x < 256; ++x) {
                const bool inside = x >= left && x < left + width && y >= top && y < top + height;
                const std::size_t at = (y - top) * width + (x - left);
                const int expected = !inside ? 0
                                     : dither ? levels.levels[at]
                                              : static_cast<int>(std::lround(source.pixels[4 * at] / 17.0));
                wrong += panel.pixels[4 * (y * 256 + x)] != expected * 17;
            }
        }
        EXPECT_EQ(wrong, 0) << (dither ? "dithered" : "quantised");
    }
}

using DioDisplayUsageTest = DioProcess;

TEST_F(DioDisplayUsageTest, DrawingArgumentsAreChecked) {
    dio::write_png(path("wide.png").string(), {257, 1, std::vector<std::uint8_t>(257 * 4, 255)});
    // Pictures too large to use are refused by their header alone: these have nothing else.
    const auto write_png_header = [this](const std::string& name, std::uint32_t width, std::uint32_t height) {
        std::string header("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
        for (std::uint32_t side : {width, height}) {
            for (int shift = 24; shift >= 0; shift -= 8) header += static_cast<char>(side >> shift);
        }
        write(name, header + std::string("\x08\x06\0\0\0", 5));
    };
    write_png_header("huge.png", 8000, 8000);
    write_png_header("long.png", 5000, 1000);
    struct Case {
        std::string script;
        int exit_code;
        std::string error;
    };
    const Case cases[] = {
        {"oled image wide.png 0 0\n", 1,
         "dio: script.dio:1: oled image: 'wide.png' is 257 x 1 pixels; the panel is 256 x 64\n"},
        {"convert wide.png wide.bmp\n", 1,
         "dio: script.dio:1: convert: 'wide.png' is 257 x 1 pixels; the panel is 256 x 64\n"},
        {"oled image huge.png 0 0\n", 1,
         "dio: script.dio:1: oled image: 'huge.png' is 8000 x 8000 pixels; the panel is 256 x 64\n"},
        {"compare long.png long.png\n", 1,
         "dio: script.dio:1: compare: 'long.png' is 5000 x 1000 pixels; compare takes at most "
         "4194304 pixels and 16384 on a side\n"},
        {"oled area 0 0 2 2 01 02 03\n", 2,
         "dio: script.dio:1: oled area: an area of 2 x 2 bytes needs 4 bytes, got 3\n"},
        // A whole row as one hex word, longer than a file name may be, is still bytes.
        {"oled area 0 0 128 1 " + std::string(256, '5') + " --imm\n", 0, ""},
        {"oled line 0 0 9 9 16 0\n", 2, ""},
        {"oled text 0 0 hi --imm --mode or\n", 2, ""},
        {"oled text 0 0 hi --mode blend\n", 2, ""},
        {"oled area 0 0 1 1 1\n", 2, "dio: script.dio:1: oled area: not hex bytes (pairs of hex digits): 1\n"},
        {"oled area 0 0 1 1 missing.hex\n", 1,
         "dio: script.dio:1: oled area: cannot open 'missing.hex': No such file or directory (nor is "
         "it hex bytes)\n"},
        {"oled bitmap missing.bmp 0 0\n", 1,
         "dio: script.dio:1: oled bitmap: cannot open 'missing.bmp': No such file or directory\n"},
        {"oled bitmap . 0 0\n", 1, "dio: script.dio:1: oled bitmap: cannot open '.': Is a directory\n"},
    };
    for (const Case& c : cases) {
        const DioResult result = run_script(c.script);
        EXPECT_EQ(result.exit_code, c.exit_code) << c.script;
        if (!c.error.empty()) {
            EXPECT_EQ(result.err, c.error);
        }
    }
}

// A 24-bit BMP: the library draws its bytes as packed 4-bit pixels, which look like stripes.
std::string bmp_24_bit(std::int32_t width, std::int32_t height) {
    const std::uint32_t row_bytes = ((24 * width + 31) / 32) * 4;
    std::string file(54 + row_bytes * height, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<char>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, static_cast<std::uint32_t>(file.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return file;
}

TEST_F(DioDisplayUsageTest, SurprisingDrawingsWarnAndGoOn) {
    write("rgb.bmp", bmp_24_bit(2, 1));
    write("wide.bmp", bmp_24_bit(60, 2));  // 180 bytes a row: 360 pixels
    const std::vector<std::uint8_t> gray = dio::encode_gray_bmp({8, 1, std::vector<std::uint8_t>(8, 3)});
    write("gray.bmp", std::string(gray.begin(), gray.end()));
    std::string other_palette(gray.begin(), gray.end());
    other_palette.replace(54 + 4, 3, "\x80\x80\x80");  // entry 1 is not gray 17
    write("palette.bmp", other_palette);
    const DioResult result = run_script(
        "oled bitmap rgb.bmp 0 0 --imm\n"
        "oled area 250 60 4 8 " + std::string(64, '1') + " --imm\n"
        "oled area 0 0 4 8 " + std::string(64, '2') + " --imm\n"
        "oled bitmap wide.bmp 0 63 --imm\n"
        "oled bitmap gray.bmp 0 0 --imm\n"
        "oled bitmap palette.bmp 0 0 --imm\n");
    EXPECT_EQ(result.exit_code, 0);
    const std::string stripes =
        " bits per pixel; it draws as packed 4-bit pixels (dio convert makes such files)\n";
    EXPECT_EQ(result.err,
              "dio: script.dio:1: oled bitmap: warning: 'rgb.bmp' has 24" + stripes +
              "dio: script.dio:2: oled area: warning: 8 x 8 pixels at (250, 60) run past the "
              "panel's right and bottom edges and wrap\n"
              "dio: script.dio:4: oled bitmap: warning: 'wide.bmp' has 24" + stripes +
              "dio: script.dio:4: oled bitmap: warning: 360 x 2 pixels at (0, 63) run past the "
              "panel's right and bottom edges and wrap\n"
              "dio: script.dio:6: oled bitmap: warning: 'palette.bmp' has a palette other than the "
              "16 gray levels; its pixels draw as the gray levels of their palette indices (dio "
              "convert makes such files)\n");
}

TEST_F(DioDisplayUsageTest, ScriptEndingWithUnsentDrawingSaysSo) {
    const DioResult unsent = run_script("oled setup\noled text 0 0 Hi\n");
    EXPECT_EQ(unsent.exit_code, 0);
    EXPECT_EQ(unsent.err, "dio: script.dio: frame-buffer drawing was not sent (add 'oled send')\n");
    const DioResult sent = run_script("oled text 0 0 Hi\noled send\noled text 0 0 Hi --imm\n");
    EXPECT_EQ(sent.exit_code, 0);
    EXPECT_EQ(sent.err, "");
}

}  // namespace
