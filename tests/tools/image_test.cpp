// Picture handling of dio: gray levels, dithering, display packing, BMP files, comparison.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <vector>

#include "bmp_writer.h"
#include "failure.h"
#include "gray_levels.h"
#include "image_compare.h"
#include "image_io.h"
#include "temp_path.h"

namespace dio {
namespace {

RgbaImage uniform(std::uint32_t width, std::uint32_t height, std::uint8_t gray) {
    RgbaImage image{width, height, {}};
    for (std::size_t i = 0; i < std::size_t{width} * height; ++i) {
        image.pixels.insert(image.pixels.end(), {gray, gray, gray, 255});
    }
    return image;
}

GrayImage levels(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> values) {
    return {width, height, std::move(values)};
}

std::uint32_t u32_at(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, &bytes[offset], 4);  // the test host is little-endian like BMP
    return value;
}

TEST(GrayLevelTest, BrightnessWeighsColoursAndAlpha) {
    const struct {
        std::uint8_t rgba[4];
        std::uint8_t brightness;
    } cases[] = {
        {{255, 255, 255, 255}, 255}, {{0, 0, 0, 255}, 0},     {{255, 0, 0, 255}, 76},
        {{0, 255, 0, 255}, 150},     {{0, 0, 255, 255}, 29},  {{255, 255, 255, 0}, 0},
        {{255, 255, 255, 128}, 128}, {{34, 34, 34, 255}, 34},
    };
    for (const auto& c : cases) EXPECT_EQ(brightness(c.rgba), c.brightness);
}

TEST(GrayLevelTest, QuantisesToTheNearestLevel) {
    RgbaImage image = uniform(6, 1, 0);
    const std::uint8_t grays[] = {0, 8, 9, 17, 136, 255};
    for (int i = 0; i < 6; ++i) std::memset(&image.pixels[i * 4], grays[i], 3);
    EXPECT_EQ(to_gray_levels(image, Dither::none).levels,
              (std::vector<std::uint8_t>{0, 0, 1, 1, 8, 15}));
}

TEST(GrayLevelTest, DitheringKeepsExactLevelsAndTheMeanOfOthers) {
    EXPECT_EQ(to_gray_levels(uniform(16, 8, 5 * kLevelStep), Dither::floyd_steinberg).levels,
              std::vector<std::uint8_t>(128, 5));
    // Halfway between levels 8 and 9: a mix of both whose mean stays the brightness.
    const GrayImage mixed = to_gray_levels(uniform(64, 64, 145), Dither::floyd_steinberg);
    const double mean =
        std::accumulate(mixed.levels.begin(), mixed.levels.end(), 0.0) / mixed.levels.size();
    EXPECT_NEAR(mean * kLevelStep, 145.0, 0.5);
    for (std::uint8_t level : mixed.levels) EXPECT_TRUE(level == 8 || level == 9);
}

TEST(GrayLevelTest, PacksLeftPixelIntoTheHighNibble) {
    const GrayImage image = levels(3, 2, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(pack_rows(image, 2), (std::vector<std::uint8_t>{0x12, 0x30, 0x45, 0x60}));
    EXPECT_EQ(pack_rows(image, 4),
              (std::vector<std::uint8_t>{0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0}));
}

TEST(BmpWriterTest, RowSizesArePaddedToFourBytes) {
    const std::pair<std::uint32_t, std::size_t> cases[] = {{1, 4}, {8, 4}, {9, 8}, {100, 52}, {256, 128}};
    for (const auto& [width, bytes] : cases) EXPECT_EQ(bmp_row_bytes(width), bytes) << width;
}

TEST(BmpWriterTest, WritesA4BitGrayFileBottomRowFirst) {
    const GrayImage image = levels(3, 2, {1, 2, 3, 13, 14, 15});
    const std::vector<std::uint8_t> file = encode_gray_bmp(image);
    ASSERT_EQ(file.size(), 118u + 2 * 4);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(u32_at(file, 2), file.size());     // file size
    EXPECT_EQ(u32_at(file, 10), 118u);           // pixel data offset
    EXPECT_EQ(u32_at(file, 14), 40u);            // information header size
    EXPECT_EQ(u32_at(file, 18), 3u);             // width
    EXPECT_EQ(u32_at(file, 22), 2u);             // height: positive, bottom-up
    EXPECT_EQ(file[26] | file[27] << 8, 1);      // planes
    EXPECT_EQ(file[28] | file[29] << 8, 4);      // bits per pixel
    EXPECT_EQ(u32_at(file, 30), 0u);             // uncompressed
    EXPECT_EQ(u32_at(file, 34), 8u);             // image size
    EXPECT_EQ(u32_at(file, 46), 16u);            // colours used
    for (int level = 0; level < 16; ++level) {  // palette: B, G, R, 0
        const auto gray = static_cast<std::uint8_t>(level * 17);
        const std::size_t entry = 54 + 4 * level;
        EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + entry, file.begin() + entry + 4),
                  (std::vector<std::uint8_t>{gray, gray, gray, 0}));
    }
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 118, file.end()),
              (std::vector<std::uint8_t>{0xDE, 0xF0, 0, 0, 0x12, 0x30, 0, 0}));
}

TEST(CompareTest, CountsAndMarksDifferingLevels) {
    const PanelDifference difference =
        compare_levels(levels(2, 2, {0, 4, 8, 15}), levels(2, 2, {0, 5, 8, 14}));
    EXPECT_EQ(difference.differing, 2u);
    EXPECT_EQ(difference.total, 4u);
    EXPECT_EQ(difference.diff.pixels, (std::vector<std::uint8_t>{0, 0, 0, 255, 255, 0, 0, 255,
                                                                 34, 34, 34, 255, 255, 0, 0, 255}));
}

TEST(CompareTest, PicturesOfDifferentSizesDiffer) {
    try {
        compare_levels(levels(2, 1, {0, 0}), levels(1, 2, {0, 0}));
        FAIL() << "accepted";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.exit_code(), kExitDiffer);
        EXPECT_STREQ(failure.what(), "the pictures differ in size: 2x1 and 1x2");
    }
}

TEST(PngTest, WritesAndReadsBackEveryChannel) {
    const std::string path = unique_temp_path("dio_png_round_trip.png");
    const RgbaImage image{2, 1, {1, 2, 3, 4, 250, 251, 252, 253}};
    write_png(path, image);
    const RgbaImage read = read_png(path, kComparedPictureLimit);
    std::filesystem::remove(path);
    EXPECT_EQ(read.width, 2u);
    EXPECT_EQ(read.height, 1u);
    EXPECT_EQ(read.pixels, image.pixels);
    EXPECT_THROW(read_png(path, kComparedPictureLimit), Failure);
}

}  // namespace
}  // namespace dio
