// A whole-screen bitmap for the bitmap benchmarks: 256 x 64 pixels at 4 bits per pixel, written
// to a temporary file and loaded once (the load prints its header lines to standard output).
#pragma once

#include "QuorvelWCHDLL.h"

namespace bench {

const DioBitmap* screen_bitmap();

}  // namespace bench
