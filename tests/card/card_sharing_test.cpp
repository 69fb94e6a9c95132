// Several processes on one card file, each a child of this test forked before the simulator is
// first used, so that each maps the card that CH367SIM_CARD names. This process never uses the
// simulated card itself: it reads the card file as the public record.
#include <gtest/gtest.h>

#include <signal.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <memory>
#include <vector>

#include "QuorvelWCHDLL.h"
#include "ch367sim.h"
#include "card_record.h"

// The bridge driver's register write, as the card library imports it.
extern "C" int32_t CH367WriteIoByte(uint64_t address, uint8_t value);

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kBridgeControl = 0xE8;
constexpr std::uint8_t kLines = 0xF1;
constexpr std::uint8_t kSpiData = 0xFE;
constexpr std::uint32_t kBlockWords = 4096;

// Runs `child` in a forked process; its result is the process's exit code.
pid_t fork_child(const std::function<int()>& child) {
    const pid_t pid = fork();
    if (pid == 0) _exit(child());
    return pid;
}

// `fork_child` with the child's stderr in the file `log` and the lock wait `wait_ms`.
pid_t fork_logging_child(const std::string& log, const char* wait_ms, const std::function<int()>& child) {
    return fork_child([&] {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 2);
        setenv("CH367SIM_LOCK_WAIT_MS", wait_ms, 1);
        return child();
    });
}

std::string file_text(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// Writes the current I/O lines and reads them back: 0 when they came back.
int write_and_read_lines() {
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    const std::uint32_t lines = 0xA5A55A5A;
    DioWriteCurrentIO(card, lines);
    std::uint32_t read_back = 0;
    DioReadCurrentIO(card, &read_back, &status);
    DioClose(card);
    return status == 4 && read_back == lines ? 0 : 1;
}

int exit_code(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

using CardSharing = SharedCardTest;

// Draws a uniform screen and loads a uniform output-memory block, over and over for `seconds`,
// each round with values of its own; exits 0 when every call succeeded at least 10 times.
int draw_and_load(std::uint8_t process, double seconds) {
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    if (status != DIO_OK) return 2;
    std::vector<std::uint32_t> words(kBlockWords);
    std::vector<std::uint8_t> screen(CH367SIM_DISPLAY_MEMORY_BYTES);
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    unsigned rounds = 0;
    for (; Clock::now() < end; ++rounds) {
        std::fill(words.begin(), words.end(), (std::uint32_t{process} << 24) | rounds);
        status = 0;
        DioWriteOutMemory(card, words.data(), 0, kBlockWords, &status);
        std::fill(screen.begin(), screen.end(), static_cast<std::uint8_t>(process * 16 + rounds % 16));
        DioWriteOLEDScreenArrImm(card, screen.data());
        if (status != 0) return 3;
    }
    DioClose(card);
    return rounds >= 10 ? 0 : 4;
}

}  // namespace

TEST_F(CardSharing, TwoProcessesDrawingAndLoadingKeepEveryCommandWhole) {
    const double seconds = std::getenv("CH367SIM_SHARING_SECONDS") != nullptr
                               ? std::atof(std::getenv("CH367SIM_SHARING_SECONDS"))
                               : 10.0;
    ASSERT_EQ(exit_code(fork_child([] {
                  DioMasterHandle* card = nullptr;
                  std::int16_t status = 0;
                  DioInitialize(nullptr, &card, &status);
                  DioSetupOLED(card, &status);
                  DioClose(card);
                  return status == DIO_OK ? 0 : 1;
              })),
              0);
    const pid_t first = fork_child([seconds] { return draw_and_load(1, seconds); });
    const pid_t second = fork_child([seconds] { return draw_and_load(2, seconds); });
    EXPECT_EQ(exit_code(first), 0);
    EXPECT_EQ(exit_code(second), 0);

    const auto card = card_file();
    EXPECT_EQ(card->bridge.in_transaction, 0);
    const std::uint32_t* block = card->pattern_generator.out_memory;
    EXPECT_NE(block[0], 0u);
    EXPECT_TRUE(std::all_of(block, block + kBlockWords, [&](std::uint32_t w) { return w == block[0]; }))
        << "the output memory holds words of two loads";
    const std::uint8_t* screen = card->display.memory;
    EXPECT_TRUE(std::all_of(screen, screen + CH367SIM_DISPLAY_MEMORY_BYTES,
                            [&](std::uint8_t b) { return b == screen[0]; }))
        << "the display holds bytes of two screens";
}

// Where a process dies: within its transaction (half an argument sent), or between two frames
// of a command (the opcode sent, the bus closed and released). Either way the command ends as a
// frame error and the next process finds the card whole.
struct KillPoint {
    const char* name;
    bool in_transaction;
};

class CardTakeOver : public SharedCardTest, public ::testing::WithParamInterface<KillPoint> {};

TEST_P(CardTakeOver, ProcessKilledMidCommandLeavesTheCardToTheNextWithinASecond) {
    const bool in_transaction = GetParam().in_transaction;
    const pid_t killed = fork_child([in_transaction] {
        DioMasterHandle* card = nullptr;
        std::int16_t status = 0;
        DioInitialize(nullptr, &card, &status);
        const auto frame = [](std::initializer_list<std::uint8_t> bytes, bool close) {
            CH367WriteIoByte(CH367SIM_IO_BASE + kBridgeControl, 0x80);  // bus open
            CH367WriteIoByte(CH367SIM_IO_BASE + kLines, 0xBE);          // pattern generator selected
            for (const std::uint8_t byte : bytes) CH367WriteIoByte(CH367SIM_IO_BASE + kSpiData, byte);
            if (!close) return;
            CH367WriteIoByte(CH367SIM_IO_BASE + kBridgeControl, 0x84);  // bus closed
            CH367WriteIoByte(CH367SIM_IO_BASE + kLines, 0xBF);          // released
        };
        frame({'m'}, true);
        if (in_transaction) frame({0x12, 0x34}, false);
        raise(SIGKILL);
        return 0;
    });
    // Left unreaped (a zombie) until the next process is done: it holds the lock no more.
    siginfo_t death{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(killed), &death, WEXITED | WNOWAIT), 0);
    ASSERT_EQ(death.si_status, SIGKILL);
    ASSERT_EQ(card_file()->bridge.in_transaction, in_transaction ? 1 : 0);

    const auto start = Clock::now();
    const pid_t next = fork_child(write_and_read_lines);
    EXPECT_EQ(exit_code(next), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(exit_code(killed), 128 + SIGKILL);
    const auto card = card_file();
    EXPECT_EQ(card->bridge.in_transaction, 0);
    EXPECT_TRUE(card->pattern_generator.status & CH367SIM_PG_STATUS_FRAME_ERROR)
        << "the half-sent command ended as a frame error";
}

INSTANTIATE_TEST_SUITE_P(KillPoints, CardTakeOver,
                         ::testing::Values(KillPoint{"WithinATransaction", true},
                                           KillPoint{"BetweenFrames", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A live holder that stops in the middle of a command: its opcode sent, or every chip select
// left low, and then a sleep. After the lock wait a waiter says who holds the card, takes it, and
// ends the command; the holder, awake again, says it lost the card and takes it again.
struct StallPoint {
    const char* name;
    bool chip_selects_low;
};

class CardStall : public SharedCardTest, public ::testing::WithParamInterface<StallPoint> {};

TEST_P(CardStall, HolderThatMakesNoAccessLosesTheCardAfterTheLockWait) {
    const bool chip_selects_low = GetParam().chip_selects_low;
    const std::string holder_log = path + ".holder", waiter_log = path + ".waiter";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork_logging_child(holder_log, "300", [&] {
        DioMasterHandle* card = nullptr;
        std::int16_t status = 0;
        DioInitialize(nullptr, &card, &status);
        if (chip_selects_low) {
            DioSetADRSR_High(card, 0);
        } else {
            CH367WriteIoByte(CH367SIM_IO_BASE + kBridgeControl, 0x80);
            CH367WriteIoByte(CH367SIM_IO_BASE + kLines, 0xBE);
            CH367WriteIoByte(CH367SIM_IO_BASE + kSpiData, 'm');
        }
        (void)!write(ready[1], "x", 1);
        usleep(1'500'000);
        return write_and_read_lines();
    });
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    const auto start = Clock::now();
    const pid_t waiter = fork_logging_child(waiter_log, "300", write_and_read_lines);
    EXPECT_EQ(exit_code(waiter), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1200));
    const auto card = card_file();
    EXPECT_EQ(card->bridge.registers[kLines] & 0x3F, 0x3F) << "every chip select released";
    if (!chip_selects_low) {
        EXPECT_TRUE(card->pattern_generator.status & CH367SIM_PG_STATUS_FRAME_ERROR)
            << "the opcode without its arguments ended as a frame error";
    }
    EXPECT_EQ(exit_code(holder), 0) << "the holder took the card again";
    const std::string pid = std::to_string(holder);
    const std::string said = file_text(waiter_log);
    EXPECT_NE(said.find("process " + pid + " holds it since "), std::string::npos) << said;
    EXPECT_NE(said.find("took the card from process " + pid + ", which made no access"),
              std::string::npos) << said;
    EXPECT_NE(file_text(holder_log).find("lost the card to process " + std::to_string(waiter)),
              std::string::npos);
    close(ready[0]);
    close(ready[1]);
    std::filesystem::remove(holder_log);
    std::filesystem::remove(waiter_log);
}

INSTANTIATE_TEST_SUITE_P(StallPoints, CardStall,
                         ::testing::Values(StallPoint{"BetweenFrames", false},
                                           StallPoint{"ChipSelectsLow", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A card looked at while a holder sits in its command: the look waits no longer than the lock
// wait, names the holder, and leaves it its command.
TEST_F(CardSharing, SnapshotOfAHeldCardNamesTheHolderAndLeavesItTheCard) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork_logging_child("/dev/null", "300", [&] {
        DioMasterHandle* card = nullptr;
        std::int16_t status = 0;
        DioInitialize(nullptr, &card, &status);
        DioSetADRSR_High(card, 0);
        (void)!write(ready[1], "x", 1);
        usleep(1'000'000);
        return CH367WriteIoByte(CH367SIM_IO_BASE + kLines, 0xFF) == 1 ? 0 : 1;
    });
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    const std::string log = path + ".viewer";
    const pid_t viewer = fork_logging_child(log, "300", [&] {
        auto copy = std::make_unique<ch367sim_card_state>();
        const auto start = Clock::now();
        if (ch367sim_card_snapshot(copy.get()) != 1) return 1;
        if (Clock::now() - start > std::chrono::milliseconds(800)) return 2;
        std::uint32_t pid = 0;
        std::uint64_t since = 0;
        if (ch367sim_card_holder(&pid, &since) != 1 || pid != static_cast<std::uint32_t>(holder)) return 3;
        return since != 0 && copy->bridge.registers[kLines] == 0 ? 0 : 4;
    });
    EXPECT_EQ(exit_code(viewer), 0);
    EXPECT_EQ(exit_code(holder), 0);
    EXPECT_EQ(file_text(log).find("took the card"), std::string::npos) << "a look takes no card";
    close(ready[0]);
    close(ready[1]);
    std::filesystem::remove(log);
}

// A lock word whose process is alive but is not the one that took the lock: after a restart
// that reused the id (the start time differs; this test process stands in for it), or with no
// start time to tell (pid 1 in a container): a power-cycle and the next command get the card.
struct StaleLock {
    const char* name;
    bool this_process;      // else pid 1
    std::uint64_t start;    // the holder's start time in the lock bytes
    const char* wait_ms;
    int within_ms;
    const char* said;
};

class CardStaleLock : public SharedCardTest, public ::testing::WithParamInterface<StaleLock> {};

TEST_P(CardStaleLock, LockOfALiveProcessThatNeverHadTheCardIsTakenOver) {
    const StaleLock& stale = GetParam();
    ASSERT_EQ(exit_code(fork_child(write_and_read_lines)), 0);
    const std::uint32_t pid = stale.this_process ? static_cast<std::uint32_t>(getpid()) : 1;
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(offsetof(ch367sim_card_state, lock));
        file.write(reinterpret_cast<const char*>(&pid), sizeof pid);
        file.seekp(offsetof(ch367sim_card_state, lock) + 8);
        file.write(reinterpret_cast<const char*>(&stale.start), sizeof stale.start);
    }
    const std::string log = path + ".log";
    const auto start = Clock::now();
    const pid_t next = fork_logging_child(log, stale.wait_ms, [] {
        ch367sim_reset();
        return write_and_read_lines();
    });
    EXPECT_EQ(exit_code(next), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(stale.within_ms));
    EXPECT_NE(file_text(log).find(stale.said), std::string::npos) << file_text(log);
    std::filesystem::remove(log);
}

INSTANTIATE_TEST_SUITE_P(
    Holders, CardStaleLock,
    ::testing::Values(StaleLock{"IdReusedAfterARestart", true, 12345, "5000", 1000, "earlier process"},
                      StaleLock{"NoStartTimeToTell", false, 0, "300", 1200, "made no access"}),
    [](const auto& info) { return std::string(info.param.name); });
