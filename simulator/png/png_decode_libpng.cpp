// Decoding with libpng's simplified API (Linux).
#include <png.h>

#include "png_files.h"

namespace pngfiles {

ReadResult decode_png_pixels(const std::uint8_t* bytes, std::size_t size, RgbaPicture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes, size) == 0) return ReadResult::not_png;
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
    // Frees its own state whether it succeeds or not.
    if (png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) == 0) {
        return ReadResult::not_png;
    }
    picture = {image.width, image.height, std::move(rgba)};
    return ReadResult::read;
}

}  // namespace pngfiles
