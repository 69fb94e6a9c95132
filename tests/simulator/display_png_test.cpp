// The panel picture: written by the simulator, read back with the platform's PNG decoder (libpng
// or the Windows Imaging Component) and compared pixel by pixel.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "display_png.h"
#include "png_files.h"
#include "temp_path.h"

using ch367sim::write_display_png;

namespace {

constexpr unsigned kWidth = 256;
constexpr unsigned kHeight = 64;
constexpr std::size_t kMemoryBytes = kWidth / 2 * kHeight;

struct Picture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> gray;  // row after row
};

// The gray of each pixel; a gray picture decodes to equal R, G and B, opaque.
Picture decode(const std::string& path) {
    pngfiles::RgbaPicture rgba;
    EXPECT_EQ(pngfiles::read_png(path.c_str(), nullptr, rgba), pngfiles::ReadResult::read);
    Picture picture{rgba.width, rgba.height, {}};
    for (std::size_t at = 0; at < rgba.rgba.size(); at += 4) {
        const std::uint8_t* pixel = &rgba.rgba[at];
        EXPECT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2] && pixel[3] == 255) << at / 4;
        picture.gray.push_back(pixel[0]);
    }
    return picture;
}

bool file_exists(const std::string& path) { return std::ifstream(path).good(); }

// Every pixel level differs from its neighbours: byte (r, c) holds r + c in the high nibble and
// 15 - c in the low nibble.
std::array<std::uint8_t, kMemoryBytes> pattern() {
    std::array<std::uint8_t, kMemoryBytes> memory{};
    for (unsigned r = 0; r < kHeight; ++r) {
        for (unsigned c = 0; c < kWidth / 2; ++c) {
            memory[r * (kWidth / 2) + c] = static_cast<std::uint8_t>(((r + c) << 4) | (15 - c % 16));
        }
    }
    return memory;
}

unsigned level_at(const std::array<std::uint8_t, kMemoryBytes>& memory, unsigned x, unsigned y) {
    const std::uint8_t pair = memory[y * (kWidth / 2) + x / 2];
    return x % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

class DisplayPngTest : public TempPngTest {
protected:
    const std::array<std::uint8_t, kMemoryBytes> memory = pattern();
};

TEST_F(DisplayPngTest, EachPanelPixelBecomesAScaledSquareOfItsGray) {
    for (unsigned scale : {0u, 1u, 3u}) {
        ASSERT_TRUE(write_display_png(path.c_str(), memory.data(), true, scale));
        const unsigned s = scale == 0 ? 1 : scale;
        const Picture picture = decode(path);
        ASSERT_EQ(picture.width, kWidth * s);
        ASSERT_EQ(picture.height, kHeight * s);
        unsigned wrong = 0;
        for (unsigned y = 0; y < picture.height; ++y) {
            for (unsigned x = 0; x < picture.width; ++x) {
                const unsigned expected = level_at(memory, x / s, y / s) * 17;
                if (picture.gray[y * picture.width + x] != expected) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0u) << "scale " << scale;
    }
}

TEST_F(DisplayPngTest, PanelThatIsOffIsAllBlack) {
    ASSERT_TRUE(write_display_png(path.c_str(), memory.data(), false, 2));
    const Picture picture = decode(path);
    EXPECT_EQ(picture.width, kWidth * 2);
    EXPECT_EQ(picture.gray, std::vector<std::uint8_t>(picture.gray.size(), 0));
}

TEST_F(DisplayPngTest, RefusesWhatItCannotWriteAndLeavesNoFile) {
    EXPECT_FALSE(write_display_png((::testing::TempDir() + "no/such/dir/x.png").c_str(),
                                   memory.data(), true, 1));
    EXPECT_FALSE(write_display_png(nullptr, memory.data(), true, 1));
    EXPECT_FALSE(write_display_png(path.c_str(), memory.data(), true, ch367sim::kMaxPngScale + 1));
    EXPECT_FALSE(file_exists(path));
}

}  // namespace
