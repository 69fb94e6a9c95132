// Comparing two panel pictures by their gray levels.
#pragma once

#include <cstdint>

#include "gray_levels.h"
#include "image_io.h"

namespace dio {

struct PanelDifference {
    std::uint64_t differing = 0;  // pixels whose gray levels differ
    std::uint64_t total = 0;
    // The first picture dimmed to a quarter, with every differing pixel in red.
    RgbaImage diff;
};

// The pictures must have the same size; throws Failure (exit code kExitDiffer) otherwise.
PanelDifference compare_levels(const GrayImage& first, const GrayImage& second);

}  // namespace dio
