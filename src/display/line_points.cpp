#include "display/line_points.h"

#include <cmath>

namespace quorvel::display {
namespace {

// One coordinate of step t: a single-precision multiply, then a single-precision add, each
// rounded on its own (the build forbids fused multiply-add), truncated toward zero, low 8 bits
// kept. Exactly this arithmetic puts a line on the same pixels on every compiler and target.
std::uint8_t step_value(float t, float increment, float start) {
    const float offset = t * increment;
    const float value = offset + start;
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(value));
}

}  // namespace

std::uint32_t compute_line_points(std::uint8_t x0, std::uint8_t y0, std::uint8_t x1,
                                  std::uint8_t y1, std::uint8_t level0, std::uint8_t level1,
                                  LinePoints& points) {
    const float start_x = x0;
    const float start_y = y0;
    const float start_level = level0;
    const float dx = static_cast<float>(x1) - start_x;
    const float dy = static_cast<float>(y1) - start_y;
    const float dl = static_cast<float>(level1) - start_level;

    const float steps = std::fabs(dx) > std::fabs(dy) ? std::fabs(dx) : std::fabs(dy);
    const auto count = static_cast<std::uint32_t>(steps);
    if (count == 0) return 0;

    const float ix = dx / steps;
    const float iy = dy / steps;
    const float il = dl / steps;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto t = static_cast<float>(i);
        points[i] = {step_value(t, ix, start_x), step_value(t, iy, start_y),
                     step_value(t, il, start_level)};
    }
    return count;
}

}  // namespace quorvel::display
