// The display's side of the transaction log, read back as immediate writes, and the frame
// buffer read back through DioSendOLEDBuff.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "QuorvelWCHDLL.h"

// One address command followed by one data transaction on device 1.
struct DisplayWrite {
    std::uint8_t row;
    std::uint8_t column;
    std::vector<std::uint8_t> data;

    bool operator==(const DisplayWrite&) const = default;
};
std::ostream& operator<<(std::ostream& out, const DisplayWrite& write);

// Every transaction in the log, read as pairs of address command (4 bytes, command mode) and
// data (data mode) on device 1. Anything else in the log is a test failure.
std::vector<DisplayWrite> display_writes();

// Sends the frame buffer and returns the 8192 bytes that went out; leaves the logs empty.
std::vector<std::uint8_t> frame_buffer(DioMasterHandle* card);
