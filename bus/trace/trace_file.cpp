#include "trace_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "time_source.h"

namespace ch367bus {

namespace {

// Ticks to nanoseconds since the first call, by straight-line interpolation between the clock
// points that open and close the chunk holding the call.
std::uint64_t interpolate(std::uint64_t ticks, ClockPoint from, ClockPoint to,
                          std::uint64_t origin_ns) {
    const std::uint64_t base_ns = from.ns - origin_ns;
    if (to.ticks <= from.ticks || ticks <= from.ticks || to.ns <= from.ns) return base_ns;
    const std::uint64_t span_ticks = to.ticks - from.ticks;
    const std::uint64_t offset = std::min(ticks - from.ticks, span_ticks);
    const double fraction = static_cast<double>(offset) / static_cast<double>(span_ticks);
    return base_ns + static_cast<std::uint64_t>(fraction * static_cast<double>(to.ns - from.ns));
}

TraceCall decode_call(const unsigned char* in) {
    TraceCall call{};
    call.function = static_cast<Function>(in[record::function]);
    call.address = get_le(in + record::address, 8);
    call.result = static_cast<std::int64_t>(get_le(in + record::result, 8));
    call.value = in[record::value];
    call.flags = in[record::flags];
    call.argument =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(get_le(in + record::argument, 4)));
    return call;
}

}  // namespace

std::optional<Trace> parse_trace(const std::vector<unsigned char>& bytes, std::string& error) {
    const unsigned char* data = bytes.data();
    if (bytes.size() < kFileHeaderSize ||
        std::memcmp(data + file_header::magic, kFileMagic, sizeof kFileMagic) != 0) {
        error = "not a recording of the bridge calls";
        return std::nullopt;
    }
    Trace trace;
    trace.version = static_cast<std::uint16_t>(get_le(data + file_header::version, 2));
    if (trace.version != kFormatVersion) {
        error = "a recording of format version " + std::to_string(trace.version) +
                ", which this reader does not know";
        return std::nullopt;
    }
    const std::uint64_t header_size = get_le(data + file_header::header_size, 2);
    const std::uint64_t record_size = get_le(data + file_header::record_size, 2);
    const std::uint64_t path_size = get_le(data + file_header::path_size, 2);
    if (header_size != kFileHeaderSize || record_size != kRecordSize ||
        bytes.size() < header_size + path_size) {
        error = "the recording's header is damaged";
        return std::nullopt;
    }
    if (file_header_checksum(data, data + header_size, path_size) !=
        get_le(data + file_header::checksum, 4)) {
        error = "the recording's header is damaged (checksum)";
        return std::nullopt;
    }
    trace.driver_path.assign(reinterpret_cast<const char*>(data + header_size), path_size);
    trace.process_id = static_cast<std::uint32_t>(get_le(data + file_header::process_id, 4));
    const ClockPoint origin{get_le(data + file_header::origin_ticks, 8),
                                get_le(data + file_header::origin_ns, 8)};

    trace.calls.reserve(bytes.size() / kRecordSize);
    ClockPoint from = origin;
    std::uint64_t offset = header_size + path_size;
    bool final = false;
    while (offset < bytes.size()) {
        const std::uint64_t left = bytes.size() - offset;
        const unsigned char* chunk = data + offset;
        const auto cut_here = [&](const std::string& reason) {
            trace.cut = TraceCut{offset, reason};
        };
        if (left < kChunkHeaderSize) {
            cut_here("the file ends inside a chunk header");
            break;
        }
        if (std::memcmp(chunk + chunk_header::magic, kChunkMagic, sizeof kChunkMagic) != 0) {
            cut_here("no chunk starts there");
            break;
        }
        const std::uint64_t count = get_le(chunk + chunk_header::count, 4);
        const std::uint64_t length = get_le(chunk + chunk_header::length, 4);
        if (length != count * kRecordSize) {
            cut_here("the chunk header is damaged");
            break;
        }
        if (left - kChunkHeaderSize < length) {
            cut_here("the file ends inside a chunk");
            break;
        }
        if (chunk_checksum(chunk, chunk + kChunkHeaderSize, length) !=
            get_le(chunk + chunk_header::checksum, 4)) {
            cut_here("the chunk's checksum does not match");
            break;
        }
        const ClockPoint to{get_le(chunk + chunk_header::end_ticks, 8),
                                get_le(chunk + chunk_header::end_ns, 8)};
        for (std::uint64_t i = 0; i < count; ++i) {
            const unsigned char* in = chunk + kChunkHeaderSize + i * kRecordSize;
            TraceCall call = decode_call(in);
            call.time_ns = interpolate(get_le(in + record::ticks, 8), from, to, origin.ns);
            trace.calls.push_back(call);
        }
        ++trace.chunks;
        from = to;
        offset += kChunkHeaderSize + length;
        final = (get_le(chunk + chunk_header::flags, 4) & kFinalChunk) != 0;
    }
    if (!trace.cut && !final) {
        trace.cut = TraceCut{offset, "the recording stops before the process ended"};
    }
    return trace;
}

std::optional<Trace> read_trace(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = file ? static_cast<std::streamoff>(file.tellg()) : -1;
    std::vector<unsigned char> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
    if (size < 0 || !file.seekg(0) ||
        !file.read(reinterpret_cast<char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()))) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    return parse_trace(bytes, error);
}

}  // namespace ch367bus
