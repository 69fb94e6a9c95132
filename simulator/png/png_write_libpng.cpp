// Writing through libpng's simplified API, where stb_image_write is not installed (libpng is on
// every Debian machine). Its output holds no time, so the bytes still depend on the picture
// alone, though they are not stb's.
#include <png.h>

#include <climits>

#include "png_files.h"

namespace pngfiles {

namespace {

png_uint_32 format_of(unsigned channels) {
    switch (channels) {
        case 1: return PNG_FORMAT_GRAY;
        case 2: return PNG_FORMAT_GA;
        case 3: return PNG_FORMAT_RGB;
        default: return PNG_FORMAT_RGBA;
    }
}

}  // namespace

const char* png_writer() { return "libpng"; }

bool write_png(std::FILE* file, unsigned width, unsigned height, unsigned channels,
               const std::uint8_t* pixels) {
    if (file == nullptr || pixels == nullptr || width == 0 || height == 0 ||
        channels == 0 || channels > 4 || width > INT_MAX / channels) {
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format_of(channels);
    const bool written = png_image_write_to_stdio(&image, file, 0, pixels, 0, nullptr) != 0;
    png_image_free(&image);
    return written && std::ferror(file) == 0;
}

}  // namespace pngfiles
