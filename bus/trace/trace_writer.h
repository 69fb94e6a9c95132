// Writes a recording: the file header once, then a chunk of call records at every flush. Each
// flush ends in a write to the operating system, so a process killed afterwards loses nothing
// that was flushed. The file is open only while a flush writes it: between flushes it can be
// copied, moved or its folder removed, on Windows as elsewhere.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "time_source.h"
#include "trace_format.h"

namespace ch367bus {

// One call as the record stores it; on a little-endian machine its bytes are the record's.
struct RawRecord {
    std::uint64_t ticks;
    std::uint64_t address;
    std::int64_t result;
    std::uint8_t function;
    std::uint8_t value;
    std::uint8_t flags;
    std::uint8_t reserved;
    std::int32_t argument;
};
static_assert(sizeof(RawRecord) == kRecordSize);
static_assert(offsetof(RawRecord, argument) == record::argument);
static_assert(offsetof(RawRecord, function) == record::function);
static_assert(std::endian::native == std::endian::little, "records are stored little-endian");

class TraceWriter {
public:
    static constexpr std::size_t kRecordsPerChunk = 16384;

    TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // Creates the file and writes its header. On failure returns false and sets `error`.
    bool open(const std::string& path, std::string_view driver_path, ClockPoint origin,
              std::uint32_t process_id, std::string& error);
    bool is_open() const { return !path_.empty(); }

    void add(const RawRecord& call) {
        std::memcpy(records_.get() + count_ * kRecordSize, &call, kRecordSize);
        ++count_;
    }
    bool full() const { return count_ == kRecordsPerChunk; }
    bool empty() const { return count_ == 0; }

    // Writes the records added since the last flush as one chunk closed at `end`; nothing when
    // there are none, unless the chunk is `final`. On failure (the file gone among them) stops
    // writing, returns false and sets `error`.
    bool flush(ClockPoint end, bool final, std::string& error);

private:
    // Writes the two parts at the end of the file (`mode` "wb" creates it) and closes it.
    bool write(const char* mode, const void* first, std::size_t first_size, const void* second,
               std::size_t second_size, std::string& error);

    std::string path_;  // empty when not writing
    std::unique_ptr<unsigned char[]> records_;
    std::size_t count_ = 0;
};

}  // namespace ch367bus
