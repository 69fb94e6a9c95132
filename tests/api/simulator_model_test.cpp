// The simulator's own behaviour that host programs and the other tests rely on: the pattern
// generator model's run states and error bits, and the bridge's gate faults and empty selects.
#include <cstdint>
#include <vector>

#include "simulated_card.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using PatternGeneratorModel = SimulatedCard;
using BridgeModel = SimulatedCard;

std::uint16_t model_status() { return ch367sim_get_pattern_generator().status; }

TEST_F(PatternGeneratorModel, RunCommandsMoveTheRunState) {
    const std::uint32_t out[] = {0x10, 0x11, 0x12, 0x13};
    DioWriteOutMemory(card, out, 0, 4, &status);
    EXPECT_EQ(model_status(), CH367SIM_PG_STATUS_HALTED);

    struct Step { const char* name; void (*run)(DioMasterHandle*); std::uint16_t state;
                  std::uint32_t program_counter; std::uint32_t io_lines; };
    const Step steps[] = {
        {"trigger while halted does nothing", [](auto h) { DioTrig(h); },
         CH367SIM_PG_STATUS_HALTED, 0, 0},
        {"arm", [](auto h) { DioArm(h); }, CH367SIM_PG_STATUS_ARMED, 0, 0},
        {"trigger drives the output word at the program counter", [](auto h) { DioTrig(h); },
         CH367SIM_PG_STATUS_RUNNING, 0, 0x10},
        {"pause", [](auto h) { DioPause(h); }, CH367SIM_PG_STATUS_PAUSED, 0, 0x10},
        {"step advances and drives", [](auto h) { DioStep(h, 2, nullptr); },
         CH367SIM_PG_STATUS_PAUSED, 2, 0x12},
        {"program counter write", [](auto h) { DioWriteProgramCounter(h, 3); },
         CH367SIM_PG_STATUS_PAUSED, 3, 0x12},
        {"trigger resumes from a pause", [](auto h) { DioTrig(h); },
         CH367SIM_PG_STATUS_RUNNING, 3, 0x13},
        {"I/O write pauses first", [](auto h) { DioWriteCurrentIO(h, 0xABCD); },
         CH367SIM_PG_STATUS_PAUSED, 3, 0xABCD},
        {"halt rewinds", [](auto h) { DioHalt(h); }, CH367SIM_PG_STATUS_HALTED, 0, 0xABCD},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.run(card);
        std::uint16_t state = 0;
        EXPECT_EQ(DioReadStatusRegister(card, &state, &status), 1);
        EXPECT_EQ(state, s.state);
        const auto model = ch367sim_get_pattern_generator();
        EXPECT_EQ(model.program_counter, s.program_counter);
        EXPECT_EQ(model.io_lines, s.io_lines);
    }
}

TEST_F(PatternGeneratorModel, ClearsEmptyOnlyTheirOwnMemory) {
    const std::uint32_t word = 0x5A5A5A5A;
    DioWriteCtrlMemory(card, &word, 9, 1, &status);
    DioWriteOutMemory(card, &word, 9, 1, &status);
    DioClearCtrlMemory(card);
    EXPECT_EQ(ch367sim_get_pattern_generator().ctrl_memory[9], 0u);
    EXPECT_EQ(ch367sim_get_pattern_generator().out_memory[9], word);
    DioClearOutMemory(card);
    EXPECT_EQ(ch367sim_get_pattern_generator().out_memory[9], 0u);
}

TEST_F(PatternGeneratorModel, FramesThatDoNotFitTheirCommandSetTheFrameError) {
    struct Case { const char* name; std::vector<Bytes> frames; };
    const Case cases[] = {
        {"unknown opcode", {{0x01}}},
        {"two-byte opcode frame", {{0x61, 0x61}}},
        {"short step argument", {{0x6A}, {0x01, 0x00}}},
        {"data frame longer than announced", {{0x77}, {0, 0, 0, 0}, {1, 0, 0, 0}, Bytes(5)}},
    };
    for (const Case& c : cases) {
        // Each case on a pattern generator fresh from power-on, whose error bits are clear.
        DioClose(card);
        ch367sim_reset();
        DioInitialize(nullptr, &card, &status);
        ASSERT_EQ(model_status() & CH367SIM_PG_STATUS_FRAME_ERROR, 0);
        for (const Bytes& frame : c.frames) DioWriteSPI(card, 0, frame.data(), frame.size(), &status);
        EXPECT_NE(model_status() & CH367SIM_PG_STATUS_FRAME_ERROR, 0) << c.name;
    }
}

TEST_F(PatternGeneratorModel, AccessPastTheEndSetsTheRangeErrorAndWrapsNowhere) {
    const std::uint32_t words[] = {0xAAAAAAAA, 0xBBBBBBBB};
    const std::uint32_t last = CH367SIM_PG_MEMORY_WORDS - 1;
    DioWriteCtrlMemory(card, words, last, 2, &status);
    EXPECT_NE(model_status() & CH367SIM_PG_STATUS_RANGE_ERROR, 0);
    EXPECT_EQ(ch367sim_get_pattern_generator().ctrl_memory[last], 0xAAAAAAAAu);
    EXPECT_EQ(ch367sim_get_pattern_generator().ctrl_memory[0], 0u);

    std::uint32_t back[2] = {1, 1};
    DioReadCtrlMemory(card, back, last, 2, &status);
    EXPECT_EQ(back[0], 0xAAAAAAAAu);
    EXPECT_EQ(back[1], 0u);
}

// A raw command announcing 0 words has no data frame: the next frame is the next command.
TEST_F(PatternGeneratorModel, ZeroWordTransferAnnouncesNoDataFrame) {
    const std::vector<Bytes> frames = {{0x77}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0x61}};
    for (const Bytes& frame : frames) DioWriteSPI(card, 0, frame.data(), frame.size(), &status);
    EXPECT_EQ(model_status(), CH367SIM_PG_STATUS_ARMED);
}

TEST_F(BridgeModel, GateFaultHitsOnlyTheNthTransactionFromNow) {
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 2);
    EXPECT_EQ(DioArm(card), 1);
    EXPECT_EQ(DioArm(card), 0);
    EXPECT_EQ(DioArm(card), 1);
    const auto log = logged_transactions();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_FALSE(log[1].success);
    EXPECT_EQ(log[1].device, CH367SIM_NO_DEVICE);
    EXPECT_TRUE(log[1].out.empty());
}

TEST_F(BridgeModel, PermanentGateFaultLastsUntilCleared) {
    for (const auto fault : {CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, CH367SIM_GATE_STUCK_OPEN_ON_CLOSE}) {
        ch367sim_inject_gate_fault(fault, 0);
        EXPECT_EQ(DioArm(card), 0) << fault;
        EXPECT_EQ(DioArm(card), 0) << fault;
        ch367sim_clear_faults();
        EXPECT_EQ(DioArm(card), 1) << fault;
        EXPECT_EQ(ch367sim_line_register() & 0x3F, 0x3F) << fault;
    }
}

TEST_F(BridgeModel, EmptyChipSelectReadsAFloatingBus) {
    Bytes in(2);
    DioReadSPI(card, 4, in.data(), in.size(), &status);
    EXPECT_EQ(in, Bytes(2, 0xFF));
}

}  // namespace
