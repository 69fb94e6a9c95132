// libFuzzer target: any bytes as a PNG file, through the decoder that reads users' pictures (the
// image check's references, dio's convert and compare). AddressSanitizer and
// UndefinedBehaviorSanitizer turn any read or write outside a buffer, any leak and any overflow
// into a failure; a decoded picture must hold exactly its pixels.
#include <cstdint>
#include <cstdlib>

#include "png_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Pictures up to 2048 pixels on a side are decoded (a panel picture at scale 8); larger ones
    // are refused from their header, as the image check refuses a reference of the wrong size.
    const auto small_enough = [](unsigned width, unsigned height) {
        return width <= 2048 && height <= 2048;
    };
    pngfiles::RgbaPicture picture;
    if (pngfiles::decode_png(data, size, small_enough, picture) == pngfiles::ReadResult::read &&
        picture.rgba.size() != std::size_t{picture.width} * picture.height * 4) {
        std::abort();
    }
    return 0;
}
