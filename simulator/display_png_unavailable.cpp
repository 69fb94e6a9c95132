// Panel pictures in a build without libpng (the Windows cross build: Debian ships no libpng for
// MinGW-w64): nothing is written and the call reports failure.
#include "display_png.h"

namespace ch367sim {

bool write_display_png(const char* /*path*/, const std::uint8_t* /*memory*/, bool /*on*/,
                       unsigned /*scale*/) {
    return false;
}

}  // namespace ch367sim
