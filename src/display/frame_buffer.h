// The frame buffer in the master handle: the library's own image of the display memory.
#pragma once

#include "link/master_handle.h"

namespace quorvel::display {

// Sets every pixel of the frame buffer to 0.
void clear_frame_buffer(DioMasterHandle& handle);

}  // namespace quorvel::display
