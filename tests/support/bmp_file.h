// Test helper: BMP files built field by field, and a place to write them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "temp_path.h"

// Header size plus a 16-entry colour table: where a 4-bit file's pixels usually start.
inline constexpr std::uint32_t kBmpPixelStart = 54 + 16 * 4;

// A 4-bit-per-pixel file of the given size with `pixels` right after a zeroed colour table.
// Every header field can be changed before bytes() is called; file_size states the real length
// unless set.
struct BmpFile {
    BmpFile(std::int32_t width_, std::int32_t height_, std::vector<std::uint8_t> pixels_ = {})
        : width(width_), height(height_), pixels(std::move(pixels_)) {}

    char signature[2] = {'B', 'M'};
    std::optional<std::uint32_t> file_size;  // default: the real length of bytes()
    std::uint32_t reserved = 0;
    std::uint32_t data_offset = kBmpPixelStart;
    std::uint32_t info_header_size = 40;
    std::int32_t width;
    std::int32_t height;
    std::uint16_t planes = 1;
    std::uint16_t bits_per_pixel = 4;
    std::uint32_t compression = 0;
    std::uint32_t image_size = 0;
    std::int32_t x_pixels_per_m = 2835;
    std::int32_t y_pixels_per_m = 2835;
    std::uint32_t colors_used = 16;
    std::uint32_t important_colors = 0;
    std::vector<std::uint8_t> pixels;  // written at kBmpPixelStart, whatever data_offset says

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out(kBmpPixelStart + pixels.size());  // colour table zero
        const HeaderBytes header{{signature[0], signature[1]},
                                 file_size.value_or(static_cast<std::uint32_t>(out.size())),
                                 reserved, data_offset, info_header_size, width, height, planes,
                                 bits_per_pixel, compression, image_size, x_pixels_per_m,
                                 y_pixels_per_m, colors_used, important_colors};
        std::memcpy(out.data(), &header, sizeof header);
        std::copy(pixels.begin(), pixels.end(), out.begin() + kBmpPixelStart);
        return out;
    }

private:
    // The 54 header bytes as the file lays them out, on a little-endian host.
#pragma pack(push, 1)
    struct HeaderBytes {
        char signature[2];
        std::uint32_t file_size, reserved, data_offset, info_header_size;
        std::int32_t width, height;
        std::uint16_t planes, bits_per_pixel;
        std::uint32_t compression, image_size;
        std::int32_t x_pixels_per_m, y_pixels_per_m;
        std::uint32_t colors_used, important_colors;
    };
#pragma pack(pop)
    static_assert(sizeof(HeaderBytes) == 54 && std::endian::native == std::endian::little);
};

// Bytes 0, 1, 2, ... (mod 256): every byte of a pixel area tells where it came from.
inline std::vector<std::uint8_t> counting_bytes(std::size_t count, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

// A file in the temporary directory holding the given bytes, removed again at the end of its
// scope.
class TempFile {
public:
    TempFile(const std::string& name, const std::vector<std::uint8_t>& bytes)
        : path_(unique_temp_path(name)) {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};
