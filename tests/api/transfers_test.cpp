// Pattern-generator memory and register transfers: frames, statuses, and data that reaches the
// simulated pattern generator and comes back from it.
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "simulated_card.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<Bytes>;
using Transfers = SimulatedCard;

constexpr std::int16_t kSentinel = 55;

TEST_F(Transfers, MemoryReadFramesAndStatus) {
    Bytes buffer(4);
    DioReadCtrlMemory(card, buffer.data(), 16, 1, &status);
    EXPECT_EQ(sent_frames(), (Frames{{0x63}, {0x10, 0, 0, 0}, {0x01, 0, 0, 0}, {0, 0, 0, 0}}));
    EXPECT_EQ(logged_transactions().back().in.size(), 4u);
    EXPECT_EQ(status, 4);
}

TEST_F(Transfers, MemoryWriteFramesLeaveTheStatus) {
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    status = kSentinel;
    DioWriteCtrlMemory(card, data.data(), 0x01020304, 2, &status);
    EXPECT_EQ(sent_frames(),
              (Frames{{0x77}, {0x04, 0x03, 0x02, 0x01}, {0x02, 0, 0, 0}, {1, 2, 3, 4, 5, 6, 7, 8}}));
    EXPECT_EQ(status, kSentinel);
}

TEST_F(Transfers, ZeroWordsSendNothingAndTouchNoBuffer) {
    struct Case {
        const char* name;
        std::function<void(std::uint8_t*, std::int16_t*)> call;
        std::int16_t status;
    };
    const Case cases[] = {
        {"DioReadCtrlMemory", [&](auto b, auto s) { DioReadCtrlMemory(card, b, 0, 0, s); },
         DIO_ERR_READ_ZERO_WORDS},
        {"DioReadOutMemory", [&](auto b, auto s) { DioReadOutMemory(card, b, 0, 0, s); },
         DIO_ERR_READ_ZERO_WORDS},
        {"DioWriteCtrlMemory", [&](auto b, auto s) { DioWriteCtrlMemory(card, b, 0, 0, s); },
         DIO_ERR_WRITE_ZERO_WORDS},
        {"DioWriteOutMemory", [&](auto b, auto s) { DioWriteOutMemory(card, b, 0, 0, s); },
         DIO_ERR_WRITE_ZERO_WORDS},
    };
    for (const Case& c : cases) {
        Bytes buffer(4, 0xEE);
        status = kSentinel;
        c.call(buffer.data(), &status);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(buffer, Bytes(4, 0xEE)) << c.name;
        EXPECT_TRUE(logged_transactions().empty()) << c.name;
    }
}

// Words travel as they lie in host memory; the two memories are separate.
TEST_F(Transfers, MemoriesRoundTripThroughThePatternGenerator) {
    const std::uint32_t ctrl[] = {0x11223344, 0xDEADBEEF, 7};
    const std::uint32_t out[] = {0xA0A0A0A0, 0x0000FFFF, 9};
    DioWriteCtrlMemory(card, ctrl, 100, 3, &status);
    DioWriteOutMemory(card, out, 100, 3, &status);

    std::uint32_t ctrl_back[3] = {};
    std::uint32_t out_back[3] = {};
    DioReadCtrlMemory(card, ctrl_back, 100, 3, &status);
    EXPECT_EQ(status, 12);
    DioReadOutMemory(card, out_back, 100, 3, &status);
    EXPECT_EQ(status, 12);
    EXPECT_EQ(std::memcmp(ctrl, ctrl_back, sizeof ctrl), 0);
    EXPECT_EQ(std::memcmp(out, out_back, sizeof out), 0);

    const auto model = ch367sim_get_pattern_generator();
    EXPECT_EQ(model.ctrl_memory[101], 0xDEADBEEFu);
    EXPECT_EQ(model.out_memory[101], 0x0000FFFFu);
    EXPECT_EQ(model.ctrl_memory[103], 0u);
}

// A byte count of 32768 or more no longer fits the 16-bit status; it is capped at 32767 so that
// a successful read never reports a negative (failure) code or 0.
TEST_F(Transfers, LargeReadStatusIsCappedAtTheLargestPositiveCode) {
    struct Case { std::uint32_t words; std::int16_t status; };
    for (const Case c : {Case{8191, 32764}, Case{8192, 32767}, Case{16384, 32767}}) {
        std::vector<std::uint32_t> buffer(c.words);
        DioReadOutMemory(card, buffer.data(), 0, c.words, &status);
        EXPECT_EQ(status, c.status) << c.words;
    }
}

TEST_F(Transfers, MemoryReadStatusFollowsOnlyTheDataFrame) {
    std::uint32_t word = 0;
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 1);  // the opcode frame
    DioReadCtrlMemory(card, &word, 0, 1, &status);
    EXPECT_EQ(status, 4);
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_OPEN_ON_CLOSE, 4);  // the data frame
    DioReadCtrlMemory(card, &word, 0, 1, &status);
    EXPECT_EQ(status, DIO_ERR_READ_SPI);
}

TEST_F(Transfers, FailedMemoryWriteLeavesTheStatus) {
    const std::uint32_t word = 1;
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 0);
    status = kSentinel;
    DioWriteOutMemory(card, &word, 0, 1, &status);
    EXPECT_EQ(status, kSentinel);
}

struct RegisterRead {
    const char* name;
    std::uint8_t (*read)(DioMasterHandle*, void*, std::int16_t*);
    std::uint8_t opcode;
    std::int16_t size;
};
const RegisterRead kRegisterReads[] = {
    {"DioReadProgramCounter", DioReadProgramCounter, 0x67, 4},
    {"DioReadCurrentIO", DioReadCurrentIO, 0x6E, 4},
    {"DioReadMaxDataLines", DioReadMaxDataLines, 0x2C, 4},
    {"DioReadStatusRegister", DioReadStatusRegister, 0x73, 2},
};

TEST_F(Transfers, RegisterReadsReceiveExactlyTheirSize) {
    for (const RegisterRead& r : kRegisterReads) {
        SCOPED_TRACE(r.name);
        ch367sim_clear_log();
        Bytes buffer(6, 0xEE);
        EXPECT_EQ(r.read(card, buffer.data(), &status), 1);
        EXPECT_EQ(status, r.size);
        EXPECT_EQ(sent_frames(), (Frames{{r.opcode}, Bytes(r.size, 0x00)}));
        EXPECT_EQ(buffer[r.size], 0xEE);  // nothing stored past the register
    }
}

TEST_F(Transfers, FailedRegisterReadReportsMinus8AndReturns0) {
    for (const RegisterRead& r : kRegisterReads) {
        Bytes buffer(4);
        ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_OPEN_ON_CLOSE, 2);
        EXPECT_EQ(r.read(card, buffer.data(), &status), 0) << r.name;
        EXPECT_EQ(status, DIO_ERR_READ_SPI) << r.name;
    }
}

TEST_F(Transfers, RegisterWritesFramesAndReadBack) {
    EXPECT_EQ(DioWriteProgramCounter(card, 300), 1);
    EXPECT_EQ(sent_frames(), (Frames{{0x78}, {0x2C, 0x01, 0x00, 0x00}}));
    ch367sim_clear_log();
    EXPECT_EQ(DioWriteCurrentIO(card, 5), 1);
    EXPECT_EQ(sent_frames(), (Frames{{0x70}, {0x6D}, {0x05, 0x00, 0x00, 0x00}}));

    std::uint32_t value = 0;
    DioReadProgramCounter(card, &value, &status);
    EXPECT_EQ(value, 300u);
    DioReadCurrentIO(card, &value, &status);
    EXPECT_EQ(value, 5u);
    DioReadMaxDataLines(card, &value, &status);
    EXPECT_EQ(value, CH367SIM_PG_DATA_LINES);
}

TEST_F(Transfers, RegisterWritesReturnTheFlagOfTheValueFrame) {
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 1);
    EXPECT_EQ(DioWriteCurrentIO(card, 5), 1);
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 3);
    EXPECT_EQ(DioWriteCurrentIO(card, 5), 0);
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 2);
    EXPECT_EQ(DioWriteProgramCounter(card, 5), 0);
}

}  // namespace
