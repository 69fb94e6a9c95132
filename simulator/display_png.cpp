#include "display_png.h"

#include <vector>

#include "png_files.h"

namespace ch367sim {

bool write_display_png(const char* path, const std::uint8_t* memory, bool on, unsigned scale) {
    if (path == nullptr || memory == nullptr || scale > kMaxPngScale) return false;
    if (scale == 0) scale = 1;
    const unsigned width = kPanelWidth * scale;
    // Picture pixel (x, y) shows panel pixel (x / scale, y / scale).
    std::vector<std::uint8_t> gray(std::size_t{width} * kPanelHeight * scale);
    for (unsigned y = 0; y < kPanelHeight * scale; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            gray[std::size_t{y} * width + x] =
                static_cast<std::uint8_t>(panel_level(memory, on, x / scale, y / scale) * kGrayStep);
        }
    }
    return pngfiles::write_png(path, width, kPanelHeight * scale, 1, gray.data());
}

}  // namespace ch367sim
