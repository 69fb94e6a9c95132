// Line drawing: the line's points are computed first, then written, two consecutive points that
// share a display byte as one pixel pair.
#include "display/display_link.h"
#include "display/geometry.h"
#include "display/line_points.h"
#include "display/pixel_writers.h"

using namespace quorvel::display;
using quorvel::link::usable;

namespace {

// The writing pass. write_pair(column, row, byte) writes two points that share a byte (they can
// only arise on lines wider than they are tall); write_point(point) writes a point alone.
template <typename WritePair, typename WritePoint>
void draw_line(std::uint8_t x0, std::uint8_t y0, std::uint8_t x1, std::uint8_t y1,
               std::uint8_t level0, std::uint8_t level1, WritePair&& write_pair,
               WritePoint&& write_point) {
    LinePoints points;
    const std::uint32_t count = compute_line_points(x0, y0, x1, y1, level0, level1, points);
    std::uint32_t i = 0;
    while (i < count) {
        const LinePoint& p = points[i];
        if (i + 1 < count) {
            const LinePoint& next = points[i + 1];
            if (byte_column(p.x) == byte_column(next.x) && p.y == next.y) {
                // Each level keeps to its own nibble, whichever of the two points comes first.
                write_pair(byte_column(p.x), p.y,
                           static_cast<std::uint8_t>(pixel_byte(p.x, p.level) |
                                                     pixel_byte(next.x, next.level)));
                i += 2;
                continue;
            }
        }
        write_point(p);
        i += 1;
    }
}

}  // namespace

extern "C" {

QUORVEL_API void DioWriteOLEDLineImm(DioMasterHandle* handle, uint8_t x0, uint8_t y0, uint8_t x1,
                                     uint8_t y1, uint8_t level0, uint8_t level1) {
    if (!usable(handle)) return;
    draw_line(
        x0, y0, x1, y1, level0, level1,
        [&](uint8_t column, uint8_t row, uint8_t pair) {
            write_immediate(*handle, row, column, &pair, 1);
        },
        [&](const LinePoint& p) { write_pixel_immediate(*handle, p.x, p.y, p.level); });
}

QUORVEL_API void DioWriteOLEDLineBuff(DioMasterHandle* handle, int32_t mode, uint8_t x0,
                                      uint8_t y0, uint8_t x1, uint8_t y1, uint8_t level0,
                                      uint8_t level1) {
    if (!usable(handle)) return;
    draw_line(
        x0, y0, x1, y1, level0, level1,
        [&](uint8_t column, uint8_t row, uint8_t pair) {
            blend_pair(*handle, mode, column, row, pair);
        },
        [&](const LinePoint& p) { blend_pixel(*handle, mode, p.x, p.y, p.level); });
}

}  // extern "C"
