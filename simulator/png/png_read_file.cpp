#include <algorithm>
#include <cstdio>

#include "png_files.h"

namespace pngfiles {

namespace {

std::uint32_t be32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 | at[3];
}

}  // namespace

ReadResult decode_png(const std::uint8_t* bytes, std::size_t size, const SizeCheck& accept,
                      RgbaPicture& picture) {
    // The signature, then the IHDR chunk: its length (13), its type, width and height.
    static constexpr std::uint8_t kStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                              0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    constexpr std::size_t kSizeEnd = sizeof kStart + 8;
    if (bytes == nullptr || size < kSizeEnd || !std::equal(kStart, kStart + sizeof kStart, bytes)) {
        return ReadResult::not_png;
    }
    const std::uint32_t width = be32(bytes + sizeof kStart);
    const std::uint32_t height = be32(bytes + sizeof kStart + 4);
    if (accept && !accept(width, height)) {
        picture = {width, height, {}};
        return ReadResult::size_refused;
    }
    return decode_png_pixels(bytes, size, picture);
}

ReadResult read_png(const char* path, const SizeCheck& accept, RgbaPicture& picture) {
    if (path == nullptr) return ReadResult::no_file;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return ReadResult::no_file;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    if (!read) return ReadResult::no_file;
    return decode_png(bytes.data(), bytes.size(), accept, picture);
}

}  // namespace pngfiles
