// Reading PNG files in a build without libpng (the Windows cross build: Debian ships no libpng for
// MinGW-w64): every read reports failure, so the image check answers -1 there.
#include "display_png.h"

namespace ch367sim {

bool read_gray_png(const char* /*path*/, GrayPicture& /*picture*/) { return false; }

}  // namespace ch367sim
