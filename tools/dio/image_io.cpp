#include "image_io.h"

#include <png.h>

#include "failure.h"

namespace dio {

RgbaImage read_png(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        throw Failure("cannot read PNG '" + path + "': " + png.message);
    }
    if (png.width > kMaxImageSide || png.height > kMaxImageSide) {
        png_image_free(&png);
        throw Failure("PNG '" + path + "' is larger than " + std::to_string(kMaxImageSide) +
                      " pixels on a side");
    }
    png.format = PNG_FORMAT_RGBA;
    RgbaImage image{png.width, png.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(png))};
    // Frees its own state whether it succeeds or not.
    if (png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) == 0) {
        throw Failure("cannot read PNG '" + path + "': " + png.message);
    }
    return image;
}

void write_png(const std::string& path, const RgbaImage& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGBA;
    if (png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), 0, nullptr) == 0) {
        throw Failure("cannot write PNG '" + path + "': " + png.message);
    }
}

}  // namespace dio
