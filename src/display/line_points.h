// The points of a straight line with a linear gray-level ramp, found by a single-precision
// digital differential analyser: one point per step along the longer axis.
#pragma once

#include <array>
#include <cstdint>

namespace quorvel::display {

struct LinePoint {
    std::uint8_t x;
    std::uint8_t y;
    std::uint8_t level;
};

// A line has at most 255 points; the list has room for 256.
using LinePoints = std::array<LinePoint, 256>;

// Fills points[0 .. S-1] for the line from (x0, y0) at level0 towards (x1, y1) at level1 and
// returns S, the larger of the two coordinate distances. The end point is not among them, so a
// line whose ends coincide has no points at all.
std::uint32_t compute_line_points(std::uint8_t x0, std::uint8_t y0, std::uint8_t x1,
                                  std::uint8_t y1, std::uint8_t level0, std::uint8_t level1,
                                  LinePoints& points);

}  // namespace quorvel::display
