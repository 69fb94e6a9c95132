// The shared card in the Windows simulator: the file mapping and the lock word, with two
// processes. The test program starts copies of itself as the card's other processes
// ("card_sharing_windows_test child ACTION"); it never uses the simulated card itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "QuorvelWCHDLL.h"
#include "ch367sim.h"
#include "card_record.h"

// The bridge driver's register write, as the card library imports it.
extern "C" __declspec(dllimport) int32_t CH367WriteIoByte(uint64_t address, uint8_t value);

namespace {

constexpr std::uint32_t kLines = 0x12345678;

// ---- The children -----------------------------------------------------------------------------

int write_lines() {
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    DioWriteCurrentIO(card, kLines);
    DioClose(card);
    return status == DIO_OK ? 0 : 1;
}

// Reads the I/O lines; fails unless they are kLines and the card answered within a second.
int read_lines() {
    const auto start = std::chrono::steady_clock::now();
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    std::uint32_t lines = 0;
    DioReadCurrentIO(card, &lines, &status);
    DioClose(card);
    const bool quick = std::chrono::steady_clock::now() - start < std::chrono::seconds(1);
    return status == 4 && lines == kLines && quick ? 0 : 1;
}

// Writes the lines and leaves the bus open with the pattern generator selected.
bool open_transaction() {
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);  // left open: a closed bridge refuses the writes below
    if (status != DIO_OK) return false;
    DioWriteCurrentIO(card, kLines);
    CH367WriteIoByte(CH367SIM_IO_BASE + 0xE8, 0x80);
    CH367WriteIoByte(CH367SIM_IO_BASE + 0xF1, 0xBE);
    CH367WriteIoByte(CH367SIM_IO_BASE + 0xFE, 's');
    return true;
}

int die_in_transaction() {
    if (!open_transaction()) return 1;
    TerminateProcess(GetCurrentProcess(), 9);
    return 1;
}

// Stops in the transaction, as a program in a debugger, until it is ended.
int stall_in_transaction() {
    if (!open_transaction()) return 1;
    Sleep(INFINITE);
    return 1;
}

// ---- The test ---------------------------------------------------------------------------------

std::string self;

// Starts a child; its process handle, null when it could not be started.
HANDLE start_child(const char* action) {
    std::string command = "\"" + self + "\" child " + action;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int run_child(const char* action) {
    const HANDLE process = start_child(action);
    if (process == nullptr) return -1;
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return static_cast<int>(code);
}

using CardSharingWindows = SharedCardTest;

}  // namespace

TEST_F(CardSharingWindows, SecondProcessFindsTheCardAsTheFirstLeftIt) {
    ASSERT_EQ(run_child("write"), 0);
    EXPECT_EQ(card_file()->pattern_generator.io_lines, kLines);
    EXPECT_EQ(run_child("read"), 0);
}

TEST_F(CardSharingWindows, ProcessThatDiesInATransactionLeavesTheCardToTheNext) {
    ASSERT_EQ(run_child("die"), 9);
    ASSERT_EQ(card_file()->bridge.in_transaction, 1);
    EXPECT_EQ(run_child("read"), 0);
    EXPECT_EQ(card_file()->bridge.in_transaction, 0);
}

TEST_F(CardSharingWindows, ProcessStoppedInATransactionLosesTheCardAfterTheLockWait) {
    SetEnvironmentVariableA("CH367SIM_LOCK_WAIT_MS", "200");
    const HANDLE stalled = start_child("stall");
    ASSERT_NE(stalled, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (card_file()->bridge.in_transaction == 0 && std::chrono::steady_clock::now() < deadline) {
        Sleep(10);
    }
    ASSERT_EQ(card_file()->bridge.in_transaction, 1);
    EXPECT_EQ(run_child("read"), 0) << "the card is taken from the stopped holder within a second";
    EXPECT_EQ(card_file()->bridge.in_transaction, 0);
    TerminateProcess(stalled, 0);
    WaitForSingleObject(stalled, INFINITE);
    CloseHandle(stalled);
    SetEnvironmentVariableA("CH367SIM_LOCK_WAIT_MS", nullptr);
}

int main(int argc, char** argv) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    self = path;
    if (argc == 3 && std::strcmp(argv[1], "child") == 0) {
        const std::string action = argv[2];
        if (action == "write") return write_lines();
        if (action == "read") return read_lines();
        if (action == "die") return die_in_transaction();
        if (action == "stall") return stall_in_transaction();
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
