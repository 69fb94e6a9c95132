#include <algorithm>
#include <cstdio>

#include "png_files.h"

namespace pngfiles {

namespace {

std::uint32_t be32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 | at[3];
}

// The signature, then the IHDR chunk: its length (13), its type, width and height.
constexpr std::uint8_t kStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                   0, 0, 0, 13, 'I', 'H', 'D', 'R'};
constexpr std::size_t kHeaderEnd = sizeof kStart + 8;

// `read` when the bytes start as a PNG whose size the check accepts; the size is in `picture`
// when it refuses it.
ReadResult check_header(const std::uint8_t* bytes, std::size_t size, const SizeCheck& accept,
                        RgbaPicture& picture) {
    if (bytes == nullptr || size < kHeaderEnd || !std::equal(kStart, kStart + sizeof kStart, bytes)) {
        return ReadResult::not_png;
    }
    const std::uint32_t width = be32(bytes + sizeof kStart);
    const std::uint32_t height = be32(bytes + sizeof kStart + 4);
    if (accept && !accept(width, height)) {
        picture = {width, height, {}};
        return ReadResult::size_refused;
    }
    return ReadResult::read;
}

}  // namespace

ReadResult decode_png(const std::uint8_t* bytes, std::size_t size, const SizeCheck& accept,
                      RgbaPicture& picture) {
    const ReadResult header = check_header(bytes, size, accept, picture);
    return header == ReadResult::read ? decode_png_pixels(bytes, size, picture) : header;
}

ReadResult read_png(const char* path, const SizeCheck& accept, RgbaPicture& picture) {
    if (path == nullptr) return ReadResult::no_file;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return ReadResult::no_file;
    std::vector<std::uint8_t> bytes(kHeaderEnd);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    // A picture refused by its size is not read further: its header is all it costs.
    ReadResult result = std::ferror(file) != 0 ? ReadResult::no_file
                                               : check_header(bytes.data(), bytes.size(), accept, picture);
    if (result == ReadResult::read) {
        std::uint8_t buffer[1 << 16];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        result = std::ferror(file) != 0 ? ReadResult::no_file
                                        : decode_png_pixels(bytes.data(), bytes.size(), picture);
    }
    std::fclose(file);
    return result;
}

}  // namespace pngfiles
