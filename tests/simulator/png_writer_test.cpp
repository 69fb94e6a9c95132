// The PNG encoder, checked at the byte level with zlib alone, so that it runs in the Windows
// build too: chunks and their CRCs, the header, and the rows that inflating the image data gives.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "png_writer.h"
#include "temp_path.h"

using ch367sim::PngColour;
using ch367sim::write_png;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Chunk {
    std::string type;
    Bytes data;
    bool crc_ok = false;
};

std::uint32_t be32(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) |
           (std::uint32_t{at[2]} << 8) | at[3];
}

// The chunks after the signature; an empty list if the signature is wrong or a chunk is cut short.
std::vector<Chunk> chunks_of(const Bytes& file) {
    const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(signature.begin(), signature.end(), file.begin())) return {};
    std::vector<Chunk> chunks;
    for (std::size_t at = 8; at < file.size();) {
        if (file.size() - at < 12) return {};
        const std::size_t length = be32(&file[at]);
        if (file.size() - at - 12 < length) return {};
        const auto* type = &file[at + 4];
        Chunk chunk{std::string(type, type + 4), Bytes(type + 4, type + 4 + length)};
        chunk.crc_ok = crc32(0, type, static_cast<uInt>(4 + length)) == be32(type + 4 + length);
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    return chunks;
}

Bytes inflate_all(const Bytes& compressed) {
    Bytes out(1 << 20);
    uLongf size = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &size, compressed.data(), static_cast<uLong>(compressed.size())),
              Z_OK);
    out.resize(size);
    return out;
}

// Pixel bytes that differ from row to row and column to column.
std::uint8_t sample(unsigned x, unsigned y) { return static_cast<std::uint8_t>(x * 7 + y * 31); }

using PngWriterTest = TempPngTest;

TEST_F(PngWriterTest, RowsComeBackUnfilteredBehindAHeaderOfTheirSize) {
    struct Case {
        unsigned width, height;
        PngColour colour;
        unsigned channels;
    };
    for (const Case c : {Case{1, 1, PngColour::gray, 1}, Case{3, 2, PngColour::rgb, 3},
                         Case{256, 64, PngColour::gray, 1}, Case{300, 40, PngColour::rgb, 3}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const unsigned row_bytes = c.width * c.channels;
        ASSERT_TRUE(write_png(path.c_str(), c.width, c.height, c.colour,
                              [&](unsigned y, std::uint8_t* row) {
                                  for (unsigned x = 0; x < row_bytes; ++x) row[x] = sample(x, y);
                              }));
        const std::vector<Chunk> chunks = chunks_of(read_file(path));
        ASSERT_GE(chunks.size(), 3u);
        ASSERT_EQ(chunks.front().type, "IHDR");
        const Bytes& header = chunks.front().data;
        ASSERT_EQ(header.size(), 13u);
        EXPECT_EQ(be32(&header[0]), c.width);
        EXPECT_EQ(be32(&header[4]), c.height);
        EXPECT_EQ(Bytes(header.begin() + 8, header.end()),
                  (Bytes{8, static_cast<std::uint8_t>(c.colour), 0, 0, 0}));

        Bytes image_data;
        for (const Chunk& chunk : chunks) {
            EXPECT_TRUE(chunk.crc_ok) << chunk.type;
            if (chunk.type == "IDAT") {
                image_data.insert(image_data.end(), chunk.data.begin(), chunk.data.end());
            }
        }
        Bytes expected;
        for (unsigned y = 0; y < c.height; ++y) {
            expected.push_back(0);  // filter "none"
            for (unsigned x = 0; x < row_bytes; ++x) expected.push_back(sample(x, y));
        }
        EXPECT_EQ(inflate_all(image_data), expected);
    }
}

// Only image chunks, so nothing (a time, a text) can vary; full IDAT chunks of 8192 bytes.
TEST_F(PngWriterTest, FileHoldsOnlyTheImageAndIsReproducible) {
    const auto noise = [](unsigned y, std::uint8_t* row) {
        for (unsigned x = 0; x < 3 * 512; ++x) {
            row[x] = static_cast<std::uint8_t>((x * x + y * 131) >> 3);
        }
    };
    ASSERT_TRUE(write_png(path.c_str(), 512, 128, PngColour::rgb, noise));
    const Bytes first = read_file(path);
    ASSERT_TRUE(write_png(path.c_str(), 512, 128, PngColour::rgb, noise));
    EXPECT_EQ(read_file(path), first);

    const std::vector<Chunk> chunks = chunks_of(first);
    ASSERT_GE(chunks.size(), 4u) << "the picture takes more than one IDAT chunk";
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(chunks.back().type, "IEND");
    EXPECT_TRUE(chunks.back().data.empty());
    for (std::size_t i = 1; i + 1 < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i].type, "IDAT");
        if (i + 2 < chunks.size()) {
            EXPECT_EQ(chunks[i].data.size(), 8192u) << "chunk " << i;
        }
    }
}

TEST_F(PngWriterTest, RefusesWhatItCannotWriteAndLeavesNoFile) {
    const auto black = [](unsigned, std::uint8_t*) {};
    EXPECT_FALSE(write_png(nullptr, 1, 1, PngColour::gray, black));
    EXPECT_FALSE(write_png(path.c_str(), 0, 1, PngColour::gray, black));
    EXPECT_FALSE(write_png(path.c_str(), 1, 0, PngColour::gray, black));
    EXPECT_FALSE(std::ifstream(path).good());
    EXPECT_FALSE(write_png((::testing::TempDir() + "no/such/dir/x.png").c_str(), 1, 1,
                           PngColour::gray, black));
}

}  // namespace
