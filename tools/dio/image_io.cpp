#include "image_io.h"

#include "failure.h"
#include "png_files.h"

namespace dio {

RgbaImage read_png(const std::string& path, const PictureLimit& limit) {
    const auto within_limit = [&limit](unsigned width, unsigned height) {
        return width <= limit.width && height <= limit.height &&
               std::uint64_t{width} * height <= limit.pixels;
    };
    pngfiles::RgbaPicture picture;
    switch (pngfiles::read_png(path.c_str(), within_limit, picture)) {
        case pngfiles::ReadResult::read:
            return {picture.width, picture.height, std::move(picture.rgba)};
        case pngfiles::ReadResult::size_refused:
            throw Failure("'" + path + "' is " + std::to_string(picture.width) + " x " +
                          std::to_string(picture.height) + " pixels; " + limit.refusal);
        case pngfiles::ReadResult::no_file:
            throw Failure("cannot read PNG '" + path + "': the file can't be opened");
        case pngfiles::ReadResult::not_png:
            break;
    }
    throw Failure("cannot read PNG '" + path + "': not a PNG picture, or a damaged one");
}

void write_png(const std::string& path, const RgbaImage& image) {
    if (!pngfiles::write_png(path.c_str(), image.width, image.height, 4, image.pixels.data())) {
        throw Failure("cannot write PNG '" + path + "'");
    }
}

}  // namespace dio
