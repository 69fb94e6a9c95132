// Decoding with libpng's simplified API (Linux).
#include <png.h>

#include "png_files.h"

namespace pngfiles {

ReadResult decode_png(const std::uint8_t* bytes, std::size_t size, const SizeCheck& accept,
                      RgbaPicture& picture) {
    if (bytes == nullptr) return ReadResult::not_png;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    // Reads the header only.
    if (png_image_begin_read_from_memory(&image, bytes, size) == 0) return ReadResult::not_png;
    if (accept && !accept(image.width, image.height)) {
        png_image_free(&image);
        picture = {image.width, image.height, {}};
        return ReadResult::size_refused;
    }
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
