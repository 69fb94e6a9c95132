#include <cstdio>

#include "png_files.h"

namespace pngfiles {

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
