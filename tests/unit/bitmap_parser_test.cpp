#include "display/bitmap_parser.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "bmp_file.h"

namespace quorvel::display {
namespace {

using Bitmap = std::unique_ptr<DioBitmap, decltype(&free_bitmap)>;

// Parses `file` with the diagnostics kept off the test log.
Bitmap Parse(const std::vector<std::uint8_t>& file) {
    testing::internal::CaptureStdout();
    Bitmap bitmap(parse_bitmap(file, "test.bmp"), &free_bitmap);
    testing::internal::GetCapturedStdout();
    return bitmap;
}

std::vector<std::uint8_t> Row(const DioBitmap& bitmap, int i) {
    const std::uint8_t* start = bitmap.rows + i * bitmap.row_size;
    return {start, start + bitmap.row_size};
}

struct RowSizeCase {
    std::int32_t width;
    std::uint16_t bits_per_pixel;
    std::int32_t row_size;
};

TEST(BitmapParser, RowSizeIsTheRowsBitsPaddedToFourBytes) {
    const RowSizeCase cases[] = {
        {256, 4, 128}, {100, 4, 52}, {1, 4, 4},   {0, 4, 0},       {600, 4, 300},
        {9, 1, 4},     {33, 1, 8},   {3, 24, 12}, {1 << 20, 0, 0}, {1 << 26, 64, 1 << 29},
    };
    for (const auto& c : cases) {
        // Height 0 needs no pixel area, so only the row size is tested.
        BmpFile file(c.width, 0);
        file.bits_per_pixel = c.bits_per_pixel;
        const Bitmap bitmap = Parse(file.bytes());
        ASSERT_NE(bitmap, nullptr) << "width " << c.width << ", " << c.bits_per_pixel << " bpp";
        EXPECT_EQ(bitmap->row_size, c.row_size) << "width " << c.width << ", " << c.bits_per_pixel << " bpp";
        EXPECT_EQ(bitmap->height, 0);
    }
}

TEST(BitmapParser, BottomUpRowsComeOutTopRowFirst) {
    const Bitmap bitmap = Parse(BmpFile(8, 3, counting_bytes(12)).bytes());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->row_size, 4);
    EXPECT_EQ(bitmap->height, 3);
    EXPECT_EQ(Row(*bitmap, 0), (std::vector<std::uint8_t>{8, 9, 10, 11}));
    EXPECT_EQ(Row(*bitmap, 1), (std::vector<std::uint8_t>{4, 5, 6, 7}));
    EXPECT_EQ(Row(*bitmap, 2), (std::vector<std::uint8_t>{0, 1, 2, 3}));
}

TEST(BitmapParser, RowsAreCountedBackFromTheEndOfTheFile) {
    std::vector<std::uint8_t> pixels = counting_bytes(12);
    pixels.insert(pixels.end(), {0xA0, 0xA1});  // two bytes after the pixel data
    const Bitmap bitmap = Parse(BmpFile(8, 3, pixels).bytes());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Row(*bitmap, 0), (std::vector<std::uint8_t>{10, 11, 0xA0, 0xA1}));
    EXPECT_EQ(Row(*bitmap, 1), (std::vector<std::uint8_t>{6, 7, 8, 9}));
    EXPECT_EQ(Row(*bitmap, 2), (std::vector<std::uint8_t>{2, 3, 4, 5}));
    // The buffer spans the whole pixel area; what the rows leave is zero.
    EXPECT_EQ(bitmap->rows[12], 0);
    EXPECT_EQ(bitmap->rows[13], 0);
}

TEST(BitmapParser, DataOffsetOnlyBoundsThePixelArea) {
    // A data offset inside the header still leaves the rows counted from the end of the file.
    BmpFile file(8, 1, counting_bytes(4));
    file.data_offset = 0;
    const Bitmap bitmap = Parse(file.bytes());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Row(*bitmap, 0), (std::vector<std::uint8_t>{0, 1, 2, 3}));
}

TEST(BitmapParser, EmptyRowsNeedNoPixelArea) {
    const Bitmap tall = Parse(BmpFile(0, INT32_MAX).bytes());
    ASSERT_NE(tall, nullptr);
    EXPECT_EQ(tall->row_size, 0);
    EXPECT_EQ(tall->height, INT32_MAX);

    EXPECT_NE(Parse(BmpFile(8, 0).bytes()), nullptr);  // the pixel area is empty
}

}  // namespace
}  // namespace quorvel::display
