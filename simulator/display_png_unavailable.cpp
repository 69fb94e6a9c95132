// The PNG files of the simulator in a build without libpng (the Windows cross build: Debian ships
// no libpng for MinGW-w64): nothing is read or written, and every call reports failure.
#include "display_png.h"

namespace ch367sim {

bool write_display_png(const char* /*path*/, const std::uint8_t* /*memory*/, bool /*on*/,
                       unsigned /*scale*/) {
    return false;
}

bool read_gray_png(const char* /*path*/, GrayPicture& /*picture*/) { return false; }

bool write_rgb_png(const char* /*path*/, unsigned /*width*/, unsigned /*height*/,
                   const std::uint8_t* /*rgb*/) {
    return false;
}

}  // namespace ch367sim
