// A build of the demo alone on a machine without libpng (nor, for writing, stb_image_write):
// what is missing reports failure (no picture written, none read), and the rest of the
// simulator works.
#include "png_files.h"

namespace pngfiles {

#ifdef QUORVEL_NO_PNG_WRITER
const char* png_writer() { return nullptr; }
bool write_png(std::FILE*, unsigned, unsigned, unsigned, const std::uint8_t*) { return false; }
#endif

#ifdef QUORVEL_NO_PNG_DECODER
ReadResult decode_png_pixels(const std::uint8_t*, std::size_t, RgbaPicture&) {
    return ReadResult::not_png;
}
#endif

}  // namespace pngfiles
