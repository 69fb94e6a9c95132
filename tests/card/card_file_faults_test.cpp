// A card file changed under a program that drives it: copied over (as `cp saved.card live.card`
// does, truncating first), truncated, or rewritten in place. The program, a child forked before the simulator is first
// used, must not die of it: it keeps a consistent card, or its calls fail from then on and one
// line on stderr names the file and what happened. Faults elsewhere still end the program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "QuorvelWCHDLL.h"
#include "card_record.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeptTheCard = 0;
constexpr int kLostTheCard = 5;

// Loads output memory and reads the I/O lines (whose status tells a failed read) over and over
// for `seconds`, having said on `ready` that it is running. Exits kLostTheCard when a call failed
// and the card can't be opened again after it.
int drive_card(int ready, const std::string& errors, double seconds) {
    const int error_file = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (error_file < 0 || dup2(error_file, STDERR_FILENO) < 0) return 2;
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    if (status != DIO_OK) return 3;
    std::vector<std::uint32_t> words(4096, 0x5A5A5A5A);
    constexpr std::int16_t kRead = 4;  // bytes of the I/O lines
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    for (bool told = false; Clock::now() < end; told = true) {
        DioWriteOutMemory(card, words.data(), 0, static_cast<std::uint32_t>(words.size()), &status);
        std::uint32_t lines = 0;
        DioReadCurrentIO(card, &lines, &status);
        if (status != kRead) break;
        if (!told && write(ready, "r", 1) != 1) return 2;
    }
    DioClose(card);
    if (status == kRead) return kKeptTheCard;
    DioInitialize(nullptr, &card, &status);
    return status == DIO_OK ? 4 : kLostTheCard;
}

std::string text_of(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

struct FileChange {
    const char* name;
    const char* command;  // run with the live card as $0 and a saved card as $1
    int repeats;
    enum { kMayLose, kLoses, kKeeps } card;  // whether the program loses its card
};

class CardFileChangedInUse : public SharedCardTest, public ::testing::WithParamInterface<FileChange> {};

TEST_P(CardFileChangedInUse, ProgramKeepsACardOrStopsWithOneLine) {
    const FileChange& change = GetParam();
    const std::string saved = path + ".saved";
    const std::string errors = path + ".stderr";
    {
        DioMasterHandle* card = nullptr;
        std::int16_t status = 0;
        // The card file is made in a child: this process never maps it.
        const pid_t maker = fork();
        if (maker == 0) {
            DioInitialize(nullptr, &card, &status);
            DioClose(card);
            _exit(status == DIO_OK ? 0 : 1);
        }
        int made = -1;
        waitpid(maker, &made, 0);
        ASSERT_EQ(made, 0);
    }
    std::filesystem::copy_file(path, saved);
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    const pid_t child = fork();
    if (child == 0) _exit(drive_card(pipe_ends[1], errors, 3.0));
    close(pipe_ends[1]);
    char ready = 0;
    ASSERT_EQ(read(pipe_ends[0], &ready, 1), 1) << "the program never ran";
    close(pipe_ends[0]);
    const std::string command = std::string("sh -c '") + change.command + "' '" + path + "' '" + saved + "'";
    for (int i = 0; i < change.repeats; ++i) ASSERT_EQ(std::system(command.c_str()), 0) << command;

    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the program died of signal " << WTERMSIG(status);
    const int code = WEXITSTATUS(status);
    const std::string said = text_of(errors);
    if (change.card == FileChange::kLoses) {
        EXPECT_EQ(code, kLostTheCard) << said;
    } else if (change.card == FileChange::kKeeps) {
        EXPECT_EQ(code, kKeptTheCard) << said;
    }
    if (code == kKeptTheCard) {
        EXPECT_EQ(said, "");
    } else {
        EXPECT_EQ(code, kLostTheCard);
        // Cut, or whole again when the fault was looked at.
        const std::string file = "ch367sim: card file " + path;
        const bool cut = said.rfind(file + " was cut to ", 0) == 0 &&
                         said.ends_with(" bytes while in use (truncated, or copied over); the card is "
                                        "gone for this program\n");
        const bool written_again = said == file + " was cut short while in use and written again "
                                                  "(copied over); the card is gone for this program\n";
        EXPECT_TRUE(cut || (written_again && change.card == FileChange::kMayLose)) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << "more than one line: " << said;
    }
    std::filesystem::remove(saved);
    std::filesystem::remove(errors);
}

// The card's fault handler takes only faults on the card: a program that touches a page of
// another file cut under it dies of SIGBUS as it would without a card.
TEST_F(SharedCardTest, FaultOnAnotherMappedFileStillEndsTheProgram) {
    const std::string other = path + ".other";
    const pid_t child = fork();
    if (child == 0) {
        const rlimit no_core{0, 0};
        setrlimit(RLIMIT_CORE, &no_core);
        DioMasterHandle* card = nullptr;
        std::int16_t status = 0;
        DioInitialize(nullptr, &card, &status);
        const int fd = open(other.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (status != DIO_OK || fd < 0 || ftruncate(fd, 4096) != 0) _exit(2);
        auto* page = static_cast<volatile char*>(mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        if (page == MAP_FAILED || ftruncate(fd, 0) != 0) _exit(2);
        page[0] = 1;
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's own SIGBUS handler, to which the card's handler passes the fault, reports
    // it and ends the program with its exit code (2 is the child's own failure to set up).
    const bool ended_by_the_fault = WIFEXITED(status) && WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 2;
#else
    const bool ended_by_the_fault = WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS;
#endif
    EXPECT_TRUE(ended_by_the_fault) << "status " << status;
    std::filesystem::remove(other);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, CardFileChangedInUse,
    ::testing::Values(FileChange{"CopiedOver", "cp \"$1\" \"$0\"", 20, FileChange::kMayLose},
                      FileChange{"Truncated", "truncate -s 0 \"$0\"", 1, FileChange::kLoses},
                      FileChange{"RewrittenInPlace", "dd if=\"$1\" of=\"$0\" conv=notrunc status=none", 20,
                                 FileChange::kKeeps}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
