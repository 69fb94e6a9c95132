// The run writers as callables, for drawers that work the same way on the display and in the
// frame buffer (areas, text, bitmaps): a drawer takes a target and calls it once per run.
#pragma once

#include <cstdint>

#include "display/run_writers.h"

namespace quorvel::display {

inline auto display_target(DioMasterHandle& handle) {
    return [&handle](std::uint8_t x, std::uint8_t row, const std::uint8_t* data,
                     std::uint64_t length) { write_run_immediate(handle, x, row, data, length); };
}

inline auto frame_buffer_target(DioMasterHandle& handle, std::int32_t mode) {
    return [&handle, mode](std::uint8_t x, std::uint8_t row, const std::uint8_t* data,
                           std::uint64_t length) {
        write_run_buffered(handle, mode, x, row, data, length);
    };
}

}  // namespace quorvel::display
