// The two run writers that every drawer of packed bytes ends in: text, areas, whole rows and
// screens, and bitmaps. A run is `length` packed bytes whose first pixel lands on pixel x of
// `row`; a run longer than the rest of its row goes on at the start of the next row.
// At an odd x the run is moved by one nibble (odd-start re-packing) and so covers length + 1
// bytes, with a 0 pixel before its first and after its last pixel. A null `data`, and an odd-x
// run of length 0, write nothing. Neither writer checks the master handle.
#pragma once

#include <cstdint>

#include "link/master_handle.h"

namespace quorvel::display {

// Straight to the display: one address command and one data transaction. The row is sent
// unchanged; an even-x run of length 0 still sends the address command and an empty data
// transaction.
void write_run_immediate(DioMasterHandle& handle, std::uint8_t x, std::uint8_t row,
                         const std::uint8_t* data, std::uint64_t length);

// Into the frame buffer under blend `mode`, starting at row & 63, byte column x >> 1; past the
// last byte of the frame buffer the run wraps to its first. Nothing is sent.
void write_run_buffered(DioMasterHandle& handle, std::int32_t mode, std::uint8_t x,
                        std::uint8_t row, const std::uint8_t* data, std::uint64_t length);

}  // namespace quorvel::display
