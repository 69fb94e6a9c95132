// Immediate drawing: pixels, pixel pairs and runs of packed bytes sent straight to the display.
// The library never reads the display, so every write replaces whole bytes (pixel pairs).
#include <algorithm>
#include <cstdint>

#include "display/area.h"
#include "display/display_link.h"
#include "display/geometry.h"
#include "display/pixel_writers.h"
#include "display/repack.h"
#include "display/run_targets.h"

namespace quorvel::display {

void write_run_immediate(DioMasterHandle& handle, std::uint8_t x, std::uint8_t row,
                         const std::uint8_t* data, std::uint64_t length) {
    const AlignedRun run(x, data, length);
    if (run.empty()) return;
    write_immediate(handle, row, byte_column(x), run.bytes(), run.size());
}

void write_pixel_immediate(DioMasterHandle& handle, std::uint8_t x, std::uint8_t row,
                           std::uint8_t level) {
    const std::uint8_t byte = pixel_byte(x, level);
    write_immediate(handle, row, byte_column(x), &byte, 1);
}

}  // namespace quorvel::display

using namespace quorvel::display;
using quorvel::link::usable;

namespace {

constexpr std::uint32_t kColumnCount = 2 * kRowBytes;  // pixel columns of the screen

// Packs a screen given one pixel per byte, column by column, into display rows.
void pack_columns(const uint8_t* const* columns, uint8_t (&image)[kRowCount][kRowBytes]) {
    for (std::size_t c = 0; c < kRowBytes; ++c) {
        const uint8_t* even = columns[2 * c];
        const uint8_t* odd = columns[2 * c + 1];
        for (std::uint32_t r = 0; r < kRowCount; ++r) {
            image[r][c] = static_cast<uint8_t>(pixel_byte(0, even[r]) | pixel_byte(1, odd[r]));
        }
    }
}

}  // namespace

extern "C" {

QUORVEL_API void DioWriteOLEDPixelPairImm(DioMasterHandle* handle, uint8_t column, uint8_t row,
                                          uint8_t pair) {
    if (!usable(handle)) return;
    write_immediate(*handle, row, column, &pair, 1);
}

QUORVEL_API void DioWriteOLEDPixelImm(DioMasterHandle* handle, uint8_t x, uint8_t row,
                                      uint8_t level) {
    if (!usable(handle)) return;
    write_pixel_immediate(*handle, x, row, level);
}

QUORVEL_API void DioWriteOLEDArrImm(DioMasterHandle* handle, uint8_t x, uint8_t row,
                                    const uint8_t* data, uint64_t length) {
    if (!usable(handle)) return;
    write_run_immediate(*handle, x, row, data, length);
}

QUORVEL_API void DioWriteOLEDRowArrImm(DioMasterHandle* handle, uint8_t row, const uint8_t* data) {
    if (!usable(handle)) return;
    write_run_immediate(*handle, 0, row, data, kRowBytes);
}

QUORVEL_API void DioWriteOLEDScreenArrImm(DioMasterHandle* handle, const uint8_t* data) {
    if (!usable(handle)) return;
    write_run_immediate(*handle, 0, 0, data, kScreenBytes);
}

QUORVEL_API void DioWriteOLEDAreaArrImm(DioMasterHandle* handle, uint8_t x, uint8_t row,
                                        uint8_t width, uint8_t height, const uint8_t* data) {
    if (!usable(handle)) return;
    write_area(x, row, width, height, data, display_target(*handle));
}

// The whole screen is packed before anything is sent, so a missing column sends nothing at all.
QUORVEL_API void DioWriteOLED2DUnpackedArrImm(DioMasterHandle* handle,
                                              const uint8_t* const* columns) {
    if (!usable(handle) || columns == nullptr) return;
    const auto missing = [](const uint8_t* column) { return column == nullptr; };
    if (std::any_of(columns, columns + kColumnCount, missing)) return;
    uint8_t image[kRowCount][kRowBytes];
    pack_columns(columns, image);
    for (std::uint32_t r = 0; r < kRowCount; ++r) {
        write_run_immediate(*handle, 0, static_cast<uint8_t>(r), image[r], kRowBytes);
    }
}

}  // extern "C"
