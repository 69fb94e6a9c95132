// Reading PNG files (the image check's reference pictures): the only code of the simulator that
// uses libpng.
#include <png.h>

#include <cstdio>
#include <vector>

#include "display_png.h"

namespace ch367sim {

namespace {

// The whole file in memory: libpng then never sees a FILE pointer of ours.
bool read_file(const char* path, std::vector<png_byte>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    png_byte buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

}  // namespace

bool read_gray_png(const char* path, GrayPicture& picture) {
    std::vector<png_byte> file;
    if (path == nullptr || !read_file(path, file)) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) return false;
    image.format = PNG_FORMAT_GRAY;
    std::vector<std::uint8_t> gray(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, gray.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    picture = {image.width, image.height, std::move(gray)};
    return true;
}

}  // namespace ch367sim
