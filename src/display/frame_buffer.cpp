// The frame buffer writers: every byte they change goes through a blend mode, and every index
// they form comes from frame_index and, for runs, from the wrap in for_each_wrapped_piece.
#include <algorithm>
#include <cstring>

#include "display/area.h"
#include "display/blend.h"
#include "display/display_link.h"
#include "display/frame_buffer.h"
#include "display/geometry.h"
#include "display/pixel_writers.h"
#include "display/repack.h"
#include "display/run_targets.h"

namespace quorvel::display {
namespace {

// Rows count modulo 64 and byte columns modulo 128, so the index is always inside the buffer.
std::uint32_t frame_index(std::uint8_t row, std::uint8_t column) {
    return (std::uint32_t{row} & kRowMask) * kRowBytes + (column & kColumnMask);
}

// Calls segment(destination, source, count) for the pieces of a run of `count` bytes that starts
// at frame-buffer index `start`, in order; past the last index the run goes on at index 0.
template <typename Segment>
void for_each_wrapped_piece(DioMasterHandle& handle, std::uint32_t start, const std::uint8_t* bytes,
                            std::uint64_t count, Segment&& segment) {
    std::uint32_t index = start;
    while (count > 0) {
        const auto piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, kScreenBytes - index));
        segment(handle.frame_buffer + index, bytes, piece);
        bytes += piece;
        count -= piece;
        index = 0;
    }
}

// One piece of a run, blended byte by byte in a plain loop that the compiler vectorises.
template <typename Op>
[[gnu::always_inline]] inline void blend_piece(std::uint8_t* to, const std::uint8_t* from,
                                               std::size_t n, Op op) {
    for (std::size_t i = 0; i < n; ++i) to[i] = op(to[i], from[i]);
}

// The same loop built for wider vectors than the x86-64 baseline's 16-byte SSE2, used where the
// processor has them, as the C library's memcpy does: a whole screen in the OR, maximum, XOR and
// non-zero modes then costs about one and a half to three times a block copy of it, rather than
// three to seven.
template <typename Op>
[[gnu::target("avx2")]] void blend_piece_avx2(std::uint8_t* to, const std::uint8_t* from,
                                              std::size_t n, Op op) {
    blend_piece(to, from, n, op);
}
template <typename Op>
[[gnu::target("avx512bw")]] void blend_piece_avx512(
    std::uint8_t* to, const std::uint8_t* from, std::size_t n, Op op) {
    blend_piece(to, from, n, op);
}

enum class VectorWidth { Baseline, Avx2, Avx512 };

VectorWidth vector_width() {
    if (__builtin_cpu_supports("avx512bw") != 0) return VectorWidth::Avx512;
    if (__builtin_cpu_supports("avx2") != 0) return VectorWidth::Avx2;
    return VectorWidth::Baseline;
}

// Blends `count` bytes into the frame buffer from index `start` on. Replace is a block copy;
// the other modes are one plain loop per piece, which the compiler vectorises.
void blend_run(DioMasterHandle& handle, std::int32_t mode, std::uint32_t start,
               const std::uint8_t* bytes, std::uint64_t count) {
    if (mode == DIO_BLEND_REPLACE) {
        for_each_wrapped_piece(handle, start, bytes, count,
                               [](std::uint8_t* to, const std::uint8_t* from, std::size_t n) {
                                   std::memmove(to, from, n);
                               });
        return;
    }
    const VectorWidth width = vector_width();
    with_blend_op(mode, [&](auto op) {
        for_each_wrapped_piece(handle, start, bytes, count,
                               [op, width](std::uint8_t* to, const std::uint8_t* from, std::size_t n) {
                                   switch (width) {
                                   case VectorWidth::Avx512: blend_piece_avx512(to, from, n, op); break;
                                   case VectorWidth::Avx2: blend_piece_avx2(to, from, n, op); break;
                                   case VectorWidth::Baseline: blend_piece(to, from, n, op); break;
                                   }
                               });
    });
}

}  // namespace

void clear_frame_buffer(DioMasterHandle& handle) {
    std::memset(handle.frame_buffer, 0, sizeof handle.frame_buffer);
}

void write_run_buffered(DioMasterHandle& handle, std::int32_t mode, std::uint8_t x,
                        std::uint8_t row, const std::uint8_t* data, std::uint64_t length) {
    const AlignedRun run(x, data, length);
    if (run.empty()) return;
    blend_run(handle, mode, frame_index(row, byte_column(x)), run.bytes(), run.size());
}

void blend_pair(DioMasterHandle& handle, std::int32_t mode, std::uint8_t column, std::uint8_t row,
                std::uint8_t pair) {
    std::uint8_t& target = handle.frame_buffer[frame_index(row, column)];
    target = blend(mode, target, pair);
}

// The pixel's nibble is blended as part of its byte, whose other nibble is then put back: the
// partner pixel keeps its value in every mode, replace included.
void blend_pixel(DioMasterHandle& handle, std::int32_t mode, std::uint8_t x, std::uint8_t row,
                 std::uint8_t level) {
    std::uint8_t& target = handle.frame_buffer[frame_index(row, byte_column(x))];
    const std::uint8_t mask = pixel_mask(x);
    const std::uint8_t blended = blend(mode, target, pixel_byte(x, level));
    target = static_cast<std::uint8_t>((blended & mask) | (target & ~mask));
}

}  // namespace quorvel::display

using namespace quorvel::display;
using quorvel::link::usable;

extern "C" {

QUORVEL_API void DioWriteOLEDPixelPairBuff(DioMasterHandle* handle, int32_t mode, uint8_t column,
                                           uint8_t row, uint8_t pair) {
    if (!usable(handle)) return;
    blend_pair(*handle, mode, column, row, pair);
}

QUORVEL_API void DioWriteOLEDPixelBuff(DioMasterHandle* handle, int32_t mode, uint8_t x,
                                       uint8_t row, uint8_t level) {
    if (!usable(handle)) return;
    blend_pixel(*handle, mode, x, row, level);
}

QUORVEL_API void DioWriteOLEDArrBuff(DioMasterHandle* handle, int32_t mode, uint8_t x, uint8_t row,
                                     const uint8_t* data, uint64_t length) {
    if (!usable(handle)) return;
    write_run_buffered(*handle, mode, x, row, data, length);
}

QUORVEL_API void DioWriteOLEDRowArrBuff(DioMasterHandle* handle, int32_t mode, uint8_t row,
                                        const uint8_t* data) {
    if (!usable(handle)) return;
    write_run_buffered(*handle, mode, 0, row, data, kRowBytes);
}

QUORVEL_API void DioWriteOLEDScreenArrBuff(DioMasterHandle* handle, int32_t mode,
                                           const uint8_t* data) {
    if (!usable(handle)) return;
    write_run_buffered(*handle, mode, 0, 0, data, kScreenBytes);
}

QUORVEL_API void DioWriteOLEDAreaArrBuff(DioMasterHandle* handle, int32_t mode, uint8_t x,
                                         uint8_t row, uint8_t width, uint8_t height,
                                         const uint8_t* data) {
    if (!usable(handle)) return;
    write_area(x, row, width, height, data, frame_buffer_target(*handle, mode));
}

QUORVEL_API void DioSendOLEDBuff(DioMasterHandle* handle) {
    if (!usable(handle)) return;
    write_immediate(*handle, 0, 0, handle->frame_buffer, kScreenBytes);
}

QUORVEL_API void DioClearOLEDBuff(DioMasterHandle* handle) {
    if (!usable(handle)) return;
    clear_frame_buffer(*handle);
}

}  // extern "C"
