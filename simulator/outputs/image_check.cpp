#include "image_check.h"

#include <array>
#include <vector>

#include "display_png.h"
#include "png_files.h"

namespace ch367sim {

namespace {

constexpr std::array<std::uint8_t, 3> kDifferenceColour = {0xFF, 0x00, 0x00};
constexpr unsigned kDimming = 3;  // matching pixels are drawn at a third of their gray

unsigned nearest_level(std::uint8_t gray) { return (gray + kGrayStep / 2) / kGrayStep; }

// Calls visit(index) for each picture pixel of the square that shows panel pixel (x, y).
template <typename Visit>
void visit_square(unsigned x, unsigned y, unsigned scale, unsigned width, Visit visit) {
    for (unsigned dy = 0; dy < scale; ++dy) {
        for (unsigned dx = 0; dx < scale; ++dx) visit(std::size_t{y * scale + dy} * width + std::size_t{x} * scale + dx);
    }
}

}  // namespace

int compare_panel_with_png(const char* reference, const std::uint8_t* memory, bool on,
                           const char* diff, std::uint64_t* differing) {
    // The size comes from the file's header: a reference of another size is refused before a
    // pixel of it is decoded.
    const auto panel_sized = [](unsigned width, unsigned height) {
        const unsigned scale = width / kPanelWidth;
        return scale != 0 && width == kPanelWidth * scale && height == kPanelHeight * scale;
    };
    pngfiles::RgbaPicture picture;
    if (pngfiles::read_png(reference, panel_sized, picture) != pngfiles::ReadResult::read) return -1;
    const unsigned scale = picture.width / kPanelWidth;

    std::uint64_t count = 0;
    // The difference picture, drawn only when it is asked for (at scale 64 it takes 200 MB).
    std::vector<std::uint8_t> rgb;
    if (diff != nullptr) rgb.resize(std::size_t{picture.width} * picture.height * 3);
    for (unsigned y = 0; y < kPanelHeight; ++y) {
        for (unsigned x = 0; x < kPanelWidth; ++x) {
            const unsigned level = panel_level(memory, on, x, y);
            bool same = true;
            visit_square(x, y, scale, picture.width, [&](std::size_t at) {
                same = same && nearest_level(pngfiles::gray_over_black(&picture.rgba[at * 4])) == level;
            });
            count += same ? 0 : 1;
            if (diff == nullptr) continue;
            const auto dimmed = static_cast<std::uint8_t>(level * kGrayStep / kDimming);
            const std::array<std::uint8_t, 3> colour =
                same ? std::array<std::uint8_t, 3>{dimmed, dimmed, dimmed} : kDifferenceColour;
            visit_square(x, y, scale, picture.width, [&](std::size_t at) {
                for (std::size_t c = 0; c < colour.size(); ++c) rgb[at * 3 + c] = colour[c];
            });
        }
    }
    if (differing != nullptr) *differing = count;
    if (diff != nullptr && !pngfiles::write_png(diff, picture.width, picture.height, 3, rgb.data())) {
        return -1;
    }
    return count == 0 ? 1 : 0;
}

}  // namespace ch367sim
