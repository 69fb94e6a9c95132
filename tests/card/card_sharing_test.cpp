// Several processes on one card file, each a child of this test forked before the simulator is
// first used, so that each maps the card that CH367SIM_CARD names. This process never uses the
// simulated card itself: it reads the card file as the public record.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
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
    const pid_t next = fork_child([] {
        DioMasterHandle* card = nullptr;
        std::int16_t status = 0;
        DioInitialize(nullptr, &card, &status);
        const std::uint32_t lines = 0xA5A55A5A;
        DioWriteCurrentIO(card, lines);
        std::uint32_t read_back = 0;
        DioReadCurrentIO(card, &read_back, &status);
        DioClose(card);
        return status == 4 && read_back == lines ? 0 : 1;
    });
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
