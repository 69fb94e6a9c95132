// The header of a Windows BMP file: the 14-byte file header and the 40-byte information header
// that follows it. Only data_offset, width, height and bits_per_pixel shape a loaded bitmap; the
// other fields are printed as diagnostics and otherwise ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quorvel::display {

inline constexpr std::size_t kBmpHeaderSize = 54;

struct BmpHeader {
    std::uint8_t signature[2];  // "BM" in a well-formed file; not checked
    std::uint32_t file_size;    // as the file states it; the real size is what counts
    std::uint32_t reserved;
    std::uint32_t data_offset;  // where the pixel area starts
    std::uint32_t info_header_size;
    std::int32_t width;
    std::int32_t height;  // negative in top-down files, which are not accepted
    std::uint16_t planes;
    std::uint16_t bits_per_pixel;
    std::uint32_t compression;
    std::uint32_t image_size;
    std::int32_t x_pixels_per_m;
    std::int32_t y_pixels_per_m;
    std::uint32_t colors_used;
    std::uint32_t important_colors;
};

// Reads the header fields from the start of the file; nothing when the file is too short.
std::optional<BmpHeader> read_bmp_header(std::span<const std::uint8_t> file);

// Bytes in one pixel row: bits_per_pixel x width bits, padded to a multiple of 4 bytes. Computed
// in 64 bits, where no pair of field values overflows; negative when width is.
std::int64_t bmp_row_size(const BmpHeader& header);

// Prints the diagnostic lines of a load: the file's name, every header field and the row size.
void print_bmp_header(const char* name, const BmpHeader& header, std::int32_t row_size);

}  // namespace quorvel::display
