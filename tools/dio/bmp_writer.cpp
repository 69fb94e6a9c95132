#include "bmp_writer.h"


namespace dio {

namespace {

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kPaletteBytes = kGrayLevels * 4;
constexpr std::uint32_t kPixelOffset = kFileHeaderBytes + kInfoHeaderBytes + kPaletteBytes;
constexpr std::uint16_t kBitsPerPixel = 4;
constexpr std::uint32_t kUncompressed = 0;      // BI_RGB
constexpr std::int32_t kPixelsPerMetre = 2835;  // 72 dots per inch

class LittleEndianWriter {
public:
    explicit LittleEndianWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void u8(std::uint8_t value) { out_.push_back(value); }
    void u16(std::uint16_t value) { bytes(value, 2); }
    void u32(std::uint32_t value) { bytes(value, 4); }
    void i32(std::int32_t value) { bytes(static_cast<std::uint32_t>(value), 4); }

private:
    void bytes(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    std::vector<std::uint8_t>& out_;
};

}  // namespace

std::size_t bmp_row_bytes(std::uint32_t width) {
    return ((std::size_t{width} * kBitsPerPixel + 31) / 32) * 4;
}

std::vector<std::uint8_t> encode_gray_bmp(const GrayImage& image) {
    const std::size_t row_bytes = bmp_row_bytes(image.width);
    const auto pixel_bytes = static_cast<std::uint32_t>(row_bytes * image.height);
    std::vector<std::uint8_t> file;
    file.reserve(kPixelOffset + pixel_bytes);
    LittleEndianWriter out(file);

    out.u8('B');
    out.u8('M');
    out.u32(kPixelOffset + pixel_bytes);  // file size
    out.u32(0);                           // reserved
    out.u32(kPixelOffset);

    out.u32(kInfoHeaderBytes);
    out.i32(static_cast<std::int32_t>(image.width));
    out.i32(static_cast<std::int32_t>(image.height));  // positive: rows stored bottom-up
    out.u16(1);                                         // planes
    out.u16(kBitsPerPixel);
    out.u32(kUncompressed);
    out.u32(pixel_bytes);
    out.i32(kPixelsPerMetre);
    out.i32(kPixelsPerMetre);
    out.u32(kGrayLevels);  // colours used
    out.u32(0);            // all colours important

    for (unsigned level = 0; level < kGrayLevels; ++level) {
        const auto gray = static_cast<std::uint8_t>(level * kLevelStep);
        out.u8(gray);  // blue
        out.u8(gray);  // green
        out.u8(gray);  // red
        out.u8(0);
    }

    const std::vector<std::uint8_t> rows = pack_rows(image, row_bytes);
    for (std::size_t y = image.height; y-- > 0;) {
        const auto row = rows.begin() + static_cast<std::ptrdiff_t>(y * row_bytes);
        file.insert(file.end(), row, row + static_cast<std::ptrdiff_t>(row_bytes));
    }
    return file;
}

}  // namespace dio
