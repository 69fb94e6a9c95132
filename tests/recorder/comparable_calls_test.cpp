// Two runs compared call by call: what differs between machines (handle, I/O base, result
// values, the byte a failed read left, times) is not a difference; what the host sent or was
// answered is.
#include <gtest/gtest.h>

#include <vector>

#include "comparable_calls.h"

using ch367bus::Function;
using ch367bus::TraceCall;

namespace {

// A short run: open, base, a write and a read at base + 0xFE, close.
std::vector<TraceCall> run(std::int64_t handle, std::uint64_t base, std::uint8_t answer,
                           std::int64_t read_result = 1, std::uint64_t time = 0) {
    return {{Function::open_device, 0, handle, 0, 0, 0, time},
            {Function::get_io_base, base, 1, 0, 0, 0, time},
            {Function::write_io_byte, base + 0xFE, 1, 0x73, 0, 0, time},
            {Function::read_io_byte, base + 0xFE, read_result, answer, 0, 0, time},
            {Function::close_device, 0, 0, 0, 0, 0, time}};
}

}  // namespace

TEST(ComparableCalls, OnlyWhatTheHostSentOrGotBackCounts) {
    const auto reference = ch367bus::comparable_calls(run(1, 0xD000, 0x08));
    struct Case {
        const char* name;
        std::vector<TraceCall> calls;
        bool same;
    } cases[] = {
        {"another handle, base, result value and time", run(0x7F001234, 0xE800, 0x08, 7, 5000),
         true},
        {"another answer", run(1, 0xD000, 0x09), false},
        {"a failed open", run(-1, 0xD000, 0x08), false},
        {"a failed read, whatever byte it left", run(1, 0xD000, 0x55, 0), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ch367bus::comparable_calls(c.calls) == reference, c.same) << c.name;
    }
    // Failed reads compare equal whatever byte the host's variable held.
    EXPECT_EQ(ch367bus::comparable_calls(run(1, 0xD000, 0x55, 0)),
              ch367bus::comparable_calls(run(1, 0xD000, 0xAA, 0)));
    EXPECT_EQ(ch367bus::describe(reference[3]), "CH367ReadIoByte SPI data (+0xFE) -> 08");
    EXPECT_EQ(ch367bus::describe(reference[2]), "CH367WriteIoByte SPI data (+0xFE) = 73");
}
