// Reading a recording of the bridge calls. Recordings are untrusted input: every length is
// checked against what the file holds, and the readable part ends at the first chunk that is
// cut short or damaged, which the result names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "trace_format.h"

namespace ch367bus {

struct TraceCall {
    Function function;
    std::uint64_t address;  // what the record's fields hold by function: trace_format.h
    std::int64_t result;
    std::uint8_t value;
    std::uint8_t flags;
    std::int32_t argument;
    std::uint64_t time_ns;  // since the first call
};

// Where the readable part of a recording ends, when it ends before the file does.
struct TraceCut {
    std::uint64_t offset;  // byte offset of the first chunk that could not be read
    std::string reason;
};

struct Trace {
    std::uint16_t version = 0;
    std::string driver_path;
    std::uint32_t process_id = 0;
    std::size_t chunks = 0;  // complete chunks read
    std::vector<TraceCall> calls;
    std::optional<TraceCut> cut;
};

// Reads the recording in `bytes`. Returns nothing, with `error` set, when they are not a
// recording this reader knows (bad magic, an unknown version, a damaged file header).
std::optional<Trace> parse_trace(const std::vector<unsigned char>& bytes, std::string& error);
// Reads the file at `path` the same way; `error` also says when it cannot be read.
std::optional<Trace> read_trace(const std::string& path, std::string& error);

}  // namespace ch367bus
