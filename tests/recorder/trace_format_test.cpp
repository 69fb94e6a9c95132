// A recording written by the recorder's writer reads back call for call, with times between the
// chunks' clock points; a damaged or cut recording reads back up to its last sound chunk.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>

#include "temp_path.h"
#include "trace_file.h"
#include "trace_writer.h"

using namespace ch367bus;

namespace {

constexpr ClockPoint kOrigin{1000, 5000};
constexpr char kDriver[] = "/lib/CH367DLL64.so";
constexpr std::size_t kPathSize = sizeof kDriver - 1;
// The first chunk's three calls and where the second chunk starts in the file.
constexpr std::size_t kFirstChunkCalls = 3;
constexpr std::size_t kSecondChunk =
    kFileHeaderSize + kPathSize + kChunkHeaderSize + kFirstChunkCalls * kRecordSize;

RawRecord call(std::uint64_t ticks, Function function, std::uint64_t address, std::uint8_t value) {
    return {ticks, address, 1, static_cast<std::uint8_t>(function), value, 0, 0, 0};
}

// Open, io base, a write; a chunk; a read, close; the final chunk.
std::vector<unsigned char> sample_recording() {
    const std::string path = unique_temp_path("trace_format.trace");
    {
        TraceWriter writer;
        std::string error;
        EXPECT_TRUE(writer.open(path, kDriver, kOrigin, 42, error)) << error;
        writer.add(call(1000, Function::open_device, 0, 0));
        writer.add(call(1500, Function::get_io_base, 0xD000, 0));
        writer.add(call(2000, Function::write_io_byte, 0xD0F0, 0x5A));
        EXPECT_TRUE(writer.flush({2000, 6000}, false, error));
        writer.add(call(3000, Function::read_io_byte, 0xD0E8, 0xA5));
        writer.add(call(4000, Function::close_device, 0, 0));
        EXPECT_TRUE(writer.flush({4000, 8000}, true, error));
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), {});
    std::remove(path.c_str());
    return bytes;
}

}  // namespace

TEST(TraceFormat, ReadsBackEveryCallWithInterpolatedTimes) {
    std::string error;
    const std::optional<Trace> trace = parse_trace(sample_recording(), error);
    ASSERT_TRUE(trace) << error;
    EXPECT_EQ(trace->driver_path, kDriver);
    EXPECT_EQ(trace->process_id, 42u);
    EXPECT_EQ(trace->chunks, 2u);
    EXPECT_FALSE(trace->cut);
    ASSERT_EQ(trace->calls.size(), 5u);
    const std::uint64_t times[] = {0, 500, 1000, 2000, 3000};
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(trace->calls[i].time_ns, times[i]) << i;
    EXPECT_EQ(trace->calls[1].address, 0xD000u);
    EXPECT_EQ(trace->calls[2].function, Function::write_io_byte);
    EXPECT_EQ(trace->calls[2].value, 0x5A);
    EXPECT_EQ(trace->calls[3].address, 0xD0E8u);
    EXPECT_EQ(trace->calls[3].value, 0xA5);
}

TEST(TraceFormat, DamageEndsTheReadablePartAtTheLastSoundChunk) {
    using Bytes = std::vector<unsigned char>;
    const std::size_t size = sample_recording().size();
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        std::size_t calls;
        std::size_t cut_offset;
    } cases[] = {
        {"cut inside the second chunk", [](Bytes& b) { b.resize(b.size() - 5); }, kFirstChunkCalls,
         kSecondChunk},
        {"cut inside its header", [](Bytes& b) { b.resize(kSecondChunk + 7); }, kFirstChunkCalls,
         kSecondChunk},
        {"a record byte flipped", [](Bytes& b) { b[kSecondChunk + kChunkHeaderSize + 25] ^= 1; },
         kFirstChunkCalls, kSecondChunk},
        {"its flags flipped", [](Bytes& b) { b[kSecondChunk + chunk_header::flags] ^= 1; },
         kFirstChunkCalls, kSecondChunk},
        {"a count that disagrees with the length",
         [](Bytes& b) { b[kSecondChunk + chunk_header::count] = 9; }, kFirstChunkCalls,
         kSecondChunk},
        {"no final chunk", [](Bytes& b) { b.resize(kSecondChunk); }, kFirstChunkCalls,
         kSecondChunk},
        {"something else after it", [](Bytes& b) { b.push_back(0); }, 5, size},
    };
    for (const Case& c : cases) {
        Bytes bytes = sample_recording();
        c.damage(bytes);
        std::string error;
        const std::optional<Trace> trace = parse_trace(bytes, error);
        ASSERT_TRUE(trace) << c.name << ": " << error;
        EXPECT_EQ(trace->calls.size(), c.calls) << c.name;
        ASSERT_TRUE(trace->cut) << c.name;
        EXPECT_EQ(trace->cut->offset, c.cut_offset) << c.name;
    }
}

TEST(TraceFormat, RefusesWhatIsNotARecording) {
    using Bytes = std::vector<unsigned char>;
    const std::function<void(Bytes&)> damages[] = {
        [](Bytes& b) { b[0] = 'X'; },                                  // magic
        [](Bytes& b) { b[file_header::version] = 2; },                 // version
        [](Bytes& b) { b[kFileHeaderSize + 1] ^= 1; },                 // driver path
        [](Bytes& b) { b[file_header::path_size + 1] = 0xFF; },        // path past the end
        [](Bytes& b) { b.resize(kFileHeaderSize - 1); },               // short header
    };
    for (const auto& damage : damages) {
        Bytes bytes = sample_recording();
        damage(bytes);
        std::string error;
        EXPECT_FALSE(parse_trace(bytes, error));
        EXPECT_FALSE(error.empty());
    }
}
