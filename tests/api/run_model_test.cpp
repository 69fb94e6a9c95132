// The pattern generator's run model: a running pattern moves one word per sample, in test time
// exactly, in real time against the clock, and ends or wraps after its last word.
#include <chrono>
#include <cstdint>
#include <vector>

#include "simulated_card.h"

namespace {

using RunModel = SimulatedCard;

constexpr std::uint16_t kRunning = CH367SIM_PG_STATUS_RUNNING;
constexpr std::uint16_t kHalted = CH367SIM_PG_STATUS_HALTED;
constexpr std::uint16_t kPaused = CH367SIM_PG_STATUS_PAUSED;

// Words 0x100 + i; the pattern is 8 words long by default.
void load_and_trigger(DioMasterHandle* card, std::uint32_t words = 8) {
    std::vector<std::uint32_t> pattern(words);
    for (std::uint32_t i = 0; i < words; ++i) pattern[i] = 0x100 + i;
    std::int16_t status = 0;
    DioWriteOutMemory(card, pattern.data(), 0, words, &status);
    DioArm(card);
    DioTrig(card);
}

struct Seen {
    std::uint16_t status;
    std::uint32_t program_counter, io_lines;
};

// What the host reads back through the library, so the run is brought up to date by commands.
Seen read_back(DioMasterHandle* card) {
    std::uint16_t state = 0;
    std::uint32_t pc = 0, io = 0;
    std::int16_t status = 0;
    DioReadStatusRegister(card, &state, &status);
    DioReadProgramCounter(card, &pc, &status);
    DioReadCurrentIO(card, &io, &status);
    return {static_cast<std::uint16_t>(state & ~0xC000u), pc, io};
}

TEST_F(RunModel, TestTimeMovesOneWordPerSampleAndEndsHaltedAtZero) {
    load_and_trigger(card);
    struct Step { const char* name; std::uint64_t advance, played; Seen seen; };
    const Step steps[] = {
        {"trigger shows word 0", 0, 0, {kRunning, 0, 0x100}},
        {"one sample", 1, 1, {kRunning, 1, 0x101}},
        {"to the last word", 6, 6, {kRunning, 7, 0x107}},
        {"past the end: halted, PC 0, the last word held", 5, 1, {kHalted, 0, 0x107}},
        {"a halted pattern does not move", 3, 0, {kHalted, 0, 0x107}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(ch367sim_pg_advance(s.advance), s.played);
        const Seen seen = read_back(card);
        EXPECT_EQ(seen.status, s.seen.status);
        EXPECT_EQ(seen.program_counter, s.seen.program_counter);
        EXPECT_EQ(seen.io_lines, s.seen.io_lines);
    }
}

// A command sees the run where it stood when it began: time that passes between its frames (a
// replay moves the test clock between the driver calls of one command) plays when the next
// command starts.
TEST_F(RunModel, TestTimeWithinACommandPlaysWhenTheNextOneStarts) {
    load_and_trigger(card);
    std::int16_t status = 0;
    const std::uint8_t read_status = 's';
    DioWriteSPI(card, 0, &read_status, 1, &status);
    EXPECT_EQ(ch367sim_pg_advance(20), 0u) << "a command is under way";
    std::uint8_t answer[2] = {};
    DioReadSPI(card, 0, answer, sizeof answer, &status);
    EXPECT_EQ(answer[0], kRunning) << "the status as the command began";
    EXPECT_EQ(read_back(card).status, kHalted) << "the next command sees the time that passed";
}

TEST_F(RunModel, PauseHoldsStepAndProgramCounterWriteMoveTheRunRepeatWraps) {
    ch367sim_pg_set_repeat(1);
    load_and_trigger(card);
    struct Step { const char* name; void (*act)(DioMasterHandle*); std::uint64_t advance; Seen seen; };
    const Step steps[] = {
        {"plays", [](DioMasterHandle*) {}, 3, {kRunning, 3, 0x103}},
        {"pause holds", [](DioMasterHandle* h) { DioPause(h); }, 4, {kPaused, 3, 0x103}},
        {"trigger resumes", [](DioMasterHandle* h) { DioTrig(h); }, 2, {kRunning, 5, 0x105}},
        {"PC write while running plays on from there", [](DioMasterHandle* h) { DioWriteProgramCounter(h, 1); },
         1, {kRunning, 2, 0x102}},
        {"step while running", [](DioMasterHandle* h) { DioStep(h, 3, nullptr); }, 1, {kRunning, 6, 0x106}},
        {"repeat wraps after the last word", [](DioMasterHandle*) {}, 3, {kRunning, 1, 0x101}},
        {"halt rewinds", [](DioMasterHandle* h) { DioHalt(h); }, 5, {kHalted, 0, 0x101}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.act(card);
        ch367sim_pg_advance(s.advance);
        const Seen seen = read_back(card);
        EXPECT_EQ(seen.status, s.seen.status);
        EXPECT_EQ(seen.program_counter, s.seen.program_counter);
        EXPECT_EQ(seen.io_lines, s.seen.io_lines);
    }
}

TEST_F(RunModel, LengthIsTheHighestWordWrittenSinceTheClearUnlessSet) {
    const std::uint32_t words[2] = {1, 2};
    DioWriteOutMemory(card, words, 10, 2, &status);
    DioWriteOutMemory(card, words, 3, 1, &status);
    EXPECT_EQ(ch367sim_pg_get_run_settings().pattern_length, 12u);
    DioClearOutMemory(card);
    EXPECT_EQ(ch367sim_pg_get_run_settings().pattern_length, CH367SIM_PG_MEMORY_WORDS);

    EXPECT_EQ(ch367sim_pg_set_length(3), 1);
    EXPECT_EQ(ch367sim_pg_set_length(CH367SIM_PG_MEMORY_WORDS + 1), 0);
    EXPECT_EQ(ch367sim_pg_set_sample_rate(0), 0);
    EXPECT_EQ(ch367sim_pg_set_clock(2), 0);
    const ch367sim_pg_run_settings settings = ch367sim_pg_get_run_settings();
    EXPECT_EQ(settings.length, 3u);
    EXPECT_EQ(settings.pattern_length, 3u);
    EXPECT_EQ(settings.sample_rate, CH367SIM_PG_DEFAULT_SAMPLE_RATE);
    EXPECT_EQ(settings.clock, CH367SIM_PG_CLOCK_TEST);

    DioArm(card);
    DioTrig(card);
    EXPECT_EQ(ch367sim_pg_advance(10), 3u);
    // A run triggered past the length plays its one word.
    DioWriteProgramCounter(card, 5);
    DioArm(card);
    DioTrig(card);
    EXPECT_EQ(ch367sim_pg_advance(10), 1u);
}

TEST_F(RunModel, RealTimePollingLoopEndsWhenThePatternHasPlayed) {
    ch367sim_pg_set_clock(CH367SIM_PG_CLOCK_REAL);
    const auto start = std::chrono::steady_clock::now();
    load_and_trigger(card, 1024);  // 1.024 ms at 1 MHz
    std::uint16_t state = 0;
    std::uint64_t polls = 0;
    do {
        DioReadStatusRegister(card, &state, &status);
        ++polls;
    } while (!(state & kHalted) && polls < 100'000'000);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(state & kHalted);
    EXPECT_GE(elapsed, std::chrono::microseconds(1024));
    EXPECT_LT(elapsed, std::chrono::milliseconds(200));  // a loaded machine: generous
    EXPECT_EQ(read_back(card).io_lines, 0x100u + 1023);
    EXPECT_EQ(ch367sim_pg_advance(5), 0u) << "real time takes no advance";
}

}  // namespace
