// Drawing a loaded bitmap: its rows go out unchanged as an area of packed-byte runs, straight to
// the display or into the frame buffer.
#include "display/area.h"
#include "display/bitmap.h"
#include "display/run_targets.h"

using namespace quorvel::display;

namespace {

// Only the low 8 bits of row size and height count, so a bitmap is drawn whole only when both
// are at most 255; the runs then start row_size & 0xFF bytes apart in its rows. Validation at
// load guarantees the rows hold height x row_size bytes, which covers every run drawn here.
template <typename Target>
void draw_bitmap(const DioBitmap& bitmap, std::uint8_t x, std::uint8_t y, Target&& target) {
    write_area(x, y, static_cast<std::uint8_t>(bitmap.row_size & 0xFF),
               static_cast<std::uint8_t>(bitmap.height & 0xFF), bitmap.rows, target);
}

}  // namespace

extern "C" QUORVEL_API void DioWriteOLEDAreaBMPImm(DioMasterHandle* handle, uint8_t x, uint8_t y,
                                                   const DioBitmap* bitmap) {
    if (!quorvel::link::usable(handle) || bitmap == nullptr) return;
    draw_bitmap(*bitmap, x, y, display_target(*handle));
}

extern "C" QUORVEL_API void DioWriteOLEDAreaBMPBuff(DioMasterHandle* handle, int32_t mode,
                                                    uint8_t x, uint8_t y,
                                                    const DioBitmap* bitmap) {
    if (!quorvel::link::usable(handle) || bitmap == nullptr) return;
    draw_bitmap(*bitmap, x, y, frame_buffer_target(*handle, mode));
}
