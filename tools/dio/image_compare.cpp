#include "image_compare.h"

#include <string>

#include "failure.h"

namespace dio {

namespace {

constexpr std::uint8_t kDimming = 4;
constexpr std::uint8_t kDifferenceColour[4] = {255, 0, 0, 255};

std::string size_of(const GrayImage& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height);
}

}  // namespace

PanelDifference compare_levels(const GrayImage& first, const GrayImage& second) {
    if (first.width != second.width || first.height != second.height) {
        throw Failure("the pictures differ in size: " + size_of(first) + " and " + size_of(second),
                      kExitDiffer);
    }
    PanelDifference result;
    result.total = first.levels.size();
    result.diff = {first.width, first.height, {}};
    result.diff.pixels.reserve(result.total * 4);
    for (std::size_t i = 0; i < first.levels.size(); ++i) {
        if (first.levels[i] != second.levels[i]) {
            ++result.differing;
            result.diff.pixels.insert(result.diff.pixels.end(), std::begin(kDifferenceColour),
                                      std::end(kDifferenceColour));
        } else {
            const auto dimmed = static_cast<std::uint8_t>(first.levels[i] * kLevelStep / kDimming);
            result.diff.pixels.insert(result.diff.pixels.end(), {dimmed, dimmed, dimmed, 255});
        }
    }
    return result;
}

}  // namespace dio
