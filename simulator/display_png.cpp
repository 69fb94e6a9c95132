#include "display_png.h"

#include <algorithm>

#include "png_writer.h"

namespace ch367sim {

bool write_display_png(const char* path, const std::uint8_t* memory, bool on, unsigned scale) {
    if (memory == nullptr || scale > kMaxPngScale) return false;
    if (scale == 0) scale = 1;
    // Picture row y shows panel row y / scale, each pixel repeated `scale` times.
    const auto panel_row = [memory, on, scale](unsigned y, std::uint8_t* out) {
        for (unsigned x = 0; x < kPanelWidth; ++x) {
            const auto gray = static_cast<std::uint8_t>(panel_level(memory, on, x, y / scale) *
                                                        kGrayStep);
            for (unsigned i = 0; i < scale; ++i) *out++ = gray;
        }
    };
    return write_png(path, kPanelWidth * scale, kPanelHeight * scale, PngColour::gray, panel_row);
}

bool write_rgb_png(const char* path, unsigned width, unsigned height, const std::uint8_t* rgb) {
    if (rgb == nullptr) return false;
    const std::size_t row_bytes = std::size_t{width} * 3;
    const auto picture_row = [rgb, row_bytes](unsigned y, std::uint8_t* out) {
        std::copy_n(rgb + y * row_bytes, row_bytes, out);
    };
    return write_png(path, width, height, PngColour::rgb, picture_row);
}

}  // namespace ch367sim
