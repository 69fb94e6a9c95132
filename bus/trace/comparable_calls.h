// The calls of a recording as two runs of a host program are compared: what the host asked and
// what it was answered, without what differs between drivers and machines — the device handle
// (only whether the open succeeded), the I/O base (addresses are taken from the base the
// recording's latest CH367GetIoBaseAddr reported, absolute before one), the results beyond
// success or failure, the byte a failed read left, the times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "trace_file.h"

namespace ch367bus {

struct ComparableCall {
    Function function;
    std::uint64_t address;  // open: the index; reads, writes: from the I/O base; else 0
    bool success;
    std::uint8_t value;     // open: interrupt; a write's byte; a successful read's byte; else 0
    std::uint8_t flags;
    std::int32_t argument;  // open: exclusive; else 0

    bool operator==(const ComparableCall&) const = default;
};

std::vector<ComparableCall> comparable_calls(const std::vector<TraceCall>& calls);

// Whether a call's result says it succeeded (the open: a handle, not -1).
bool call_succeeded(const TraceCall& call);

// "CH367ReadIoByte SPI data (+0xFE) -> 5A", "CH367WriteIoByte lines (+0xF1) = 3F",
// "CH367OpenDevice 0 -> failed".
std::string describe(const ComparableCall& call);
// The name of the bridge register at `offset` from the I/O base ("SPI data"), or empty.
const char* register_name(std::uint64_t offset);

}  // namespace ch367bus
