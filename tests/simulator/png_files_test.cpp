// PNG files through the platform's libraries: what is written reads back the same, a picture's
// size is checked before any of it is decoded, and what can't be read or written is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "png_files.h"
#include "temp_path.h"

using pngfiles::ReadResult;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t sample(std::size_t i) { return static_cast<std::uint8_t>(i * 37 + (i >> 5)); }

// The CRC that closes each PNG chunk.
std::uint32_t chunk_crc(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put_be32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void put_chunk(Bytes& png, const char (&type)[5], const Bytes& data) {
    put_be32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t type_at = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put_be32(png, chunk_crc(&png[type_at], png.size() - type_at));
}

// A gray picture of the given size whose image data is an empty deflate stream: its header is
// whole, its pixels are missing.
Bytes header_only_png(std::uint32_t width, std::uint32_t height) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put_be32(header, width);
    put_be32(header, height);
    header.insert(header.end(), {8, 0, 0, 0, 0});  // 8-bit gray, deflate, no interlace
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    put_chunk(png, "IEND", {});
    return png;
}

using PngFilesTest = TempPngTest;

TEST_F(PngFilesTest, WrittenPicturesReadBackAsTheSameRgba) {
    struct Case {
        unsigned width, height, channels;
    };
    for (const Case c : {Case{1, 1, 1}, Case{256, 64, 1}, Case{3, 2, 3}, Case{300, 40, 3},
                         Case{17, 5, 4}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                     std::to_string(c.channels));
        Bytes pixels(std::size_t{c.width} * c.height * c.channels);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = sample(i);
        ASSERT_TRUE(pngfiles::write_png(path.c_str(), c.width, c.height, c.channels, pixels.data()));

        Bytes expected;
        for (std::size_t at = 0; at < pixels.size(); at += c.channels) {
            const std::uint8_t* p = &pixels[at];
            if (c.channels == 1) expected.insert(expected.end(), {p[0], p[0], p[0], 255});
            if (c.channels == 3) expected.insert(expected.end(), {p[0], p[1], p[2], 255});
            if (c.channels == 4) expected.insert(expected.end(), p, p + 4);
        }
        pngfiles::RgbaPicture picture;
        ASSERT_EQ(pngfiles::read_png(path.c_str(), nullptr, picture), ReadResult::read);
        EXPECT_EQ(picture.width, c.width);
        EXPECT_EQ(picture.height, c.height);
        EXPECT_EQ(picture.rgba, expected);
    }
}

// A reference of 20000 x 20000 pixels would take 1.6 GB decoded: its header alone must decide.
TEST(PngFilesSizeCheck, SeesTheHeaderSizeBeforeAnyImageData) {
    const Bytes png = header_only_png(20000, 20000);
    unsigned seen_width = 0, seen_height = 0;
    const auto refuse = [&](unsigned width, unsigned height) {
        seen_width = width;
        seen_height = height;
        return false;
    };
    pngfiles::RgbaPicture picture;
    EXPECT_EQ(pngfiles::decode_png(png.data(), png.size(), refuse, picture), ReadResult::size_refused);
    EXPECT_EQ(seen_width, 20000u);
    EXPECT_EQ(seen_height, 20000u);
    EXPECT_TRUE(picture.rgba.empty());
    // Accepted, the same file is found to have no image data.
    EXPECT_EQ(pngfiles::decode_png(png.data(), png.size(), nullptr, picture), ReadResult::not_png);
}

TEST_F(PngFilesTest, RefusesWhatItCannotReadOrWrite) {
    pngfiles::RgbaPicture picture;
    const Bytes text{'n', 'o', 't', ' ', 'a', ' ', 'P', 'N', 'G'};
    EXPECT_EQ(pngfiles::decode_png(text.data(), text.size(), nullptr, picture), ReadResult::not_png);
    Bytes cut = header_only_png(4, 4);
    cut.resize(20);
    EXPECT_EQ(pngfiles::decode_png(cut.data(), cut.size(), nullptr, picture), ReadResult::not_png);
    EXPECT_EQ(pngfiles::read_png(path.c_str(), nullptr, picture), ReadResult::no_file);

    const std::uint8_t pixel = 0;
    EXPECT_FALSE(pngfiles::write_png(path.c_str(), 0, 1, 1, &pixel));
    EXPECT_FALSE(pngfiles::write_png(path.c_str(), 1, 1, 5, &pixel));
    EXPECT_FALSE(std::ifstream(path).good());
    EXPECT_FALSE(pngfiles::write_png((::testing::TempDir() + "no/such/dir/x.png").c_str(), 1, 1, 1,
                                     &pixel));
}

}  // namespace
