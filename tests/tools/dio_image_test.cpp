// dio's picture commands as a person runs them: convert and compare.
#include <cstdint>
#include <string>
#include <vector>

#include "dio_process.h"
#include "gray_levels.h"
#include "image_io.h"

namespace {

using dio::RgbaImage;

class DioImageTest : public DioProcess {
protected:
    // A gray ramp across x with a bright square, width x height pixels.
    void write_picture(const std::string& name, std::uint32_t width, std::uint32_t height,
                       std::uint32_t changed_pixels = 0) const {
        RgbaImage image{width, height, {}};
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                auto gray = static_cast<std::uint8_t>(x * 255 / (width - 1));
                if (y * width + x < changed_pixels) gray = static_cast<std::uint8_t>(gray ^ 0x80);
                image.pixels.insert(image.pixels.end(), {gray, gray, gray, 255});
            }
        }
        dio::write_png(path(name).string(), image);
    }
};

TEST_F(DioImageTest, CompareReportsIdenticalAndDifferingPictures) {
    write_picture("a.png", 256, 64);
    write_picture("b.png", 256, 64, 10);
    write_picture("small.png", 128, 64);

    const DioResult same = dio({"compare", "a.png", "a.png"});
    EXPECT_EQ(same.exit_code, 0) << same.err;
    EXPECT_EQ(same.out, "0 of 16384 pixels differ\n");

    const DioResult differ = dio({"compare", "a.png", "b.png", "--diff", "diff.png"});
    EXPECT_EQ(differ.exit_code, 3);
    EXPECT_EQ(differ.out, "10 of 16384 pixels differ\n");
    EXPECT_EQ(differ.err, "dio: compare: the pictures differ\n");
    const RgbaImage diff = dio::read_png(path("diff.png").string(), dio::kComparedPictureLimit);
    std::size_t red = 0;
    for (std::size_t i = 0; i < diff.pixels.size(); i += 4) red += diff.pixels[i + 1] == 0 && diff.pixels[i] == 255;
    EXPECT_EQ(red, 10u);

    const DioResult sizes = dio({"compare", "a.png", "small.png"});
    EXPECT_EQ(sizes.exit_code, 3);
    EXPECT_EQ(sizes.err, "dio: compare: the pictures differ in size: 256x64 and 128x64\n");
}

// The way to check a drawing on the simulated card from the shell: the simulator writes its
// panel as a picture when dio closes the card, and dio compares it with the source picture.
TEST_F(DioImageTest, PanelPictureOfTheSimulatorMatchesTheDrawnPicture) {
    write_picture("source.png", 256, 64, 300);  // the top rows differ from the others
    ASSERT_EQ(dio({"convert", "source.png", "source.bmp"}).exit_code, 0);
    for (const std::string draw : {"oled image source.png 0 0\noled send\n",
                                   "oled bitmap source.bmp 0 0 --imm\n"}) {
        write("draw.dio", "oled setup\n" + draw);
        const DioResult drawn = dio({"run", "draw.dio"}, {"CH367SIM_PNG=panel.png"});
        ASSERT_EQ(drawn.exit_code, 0) << drawn.err;
        const DioResult compared = dio({"compare", "panel.png", "source.png"});
        EXPECT_EQ(compared.exit_code, 0) << draw << compared.out;
        EXPECT_EQ(compared.out, "0 of 16384 pixels differ\n");
    }
}

TEST_F(DioImageTest, UnreadablePicturesFail) {
    write("not.png", "plain text");
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"convert", "missing.png", "out.bmp"}, {"convert", "not.png", "out.bmp"},
             {"compare", "not.png", "not.png"}}) {
        const DioResult result = dio(arguments);
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.err.rfind("dio: " + arguments[0] + ": cannot read PNG '", 0), 0u)
            << result.err;
    }
}

}  // namespace
