// A card file on storage that cannot back it: a full file system at creation, a sparse card file
// (one with holes) when it is opened, and a page that loses its storage while mapped. Each runs on
// a tmpfs of 1 MiB of its own (room for one card of 133 pages and little more).
#ifdef __linux__
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "card.h"
#include "card_state.h"
#include "file_bytes.h"
#include "temp_path.h"

using namespace ch367sim;

namespace {

constexpr std::size_t kRecordBytes = sizeof(ch367sim_card_state);

class CardFileStorage : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(directory);
        if (mount("tmpfs", directory.c_str(), "tmpfs", 0, "size=1M") != 0) {
            const std::string why = std::strerror(errno);
            std::filesystem::remove(directory);
            GTEST_SKIP() << "a tmpfs cannot be mounted here (" << why << "): no file system to fill";
        }
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) umount2(directory.c_str(), MNT_DETACH);
        std::filesystem::remove_all(directory);
    }

    // Writes a file of zeros until the file system has no room left.
    void fill_up() const {
        const int fd = ::open((directory + "/filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ASSERT_GE(fd, 0);
        const std::vector<char> block(4096);
        while (write(fd, block.data(), block.size()) > 0) {
        }
        EXPECT_EQ(errno, ENOSPC);
        close(fd);
    }

    // A card file at power-on with every page after the header a hole.
    void write_sparse_card() const {
        const auto state = std::make_unique<ch367sim_card_state>();
        power_on_record(*state);
        const int fd = ::open(card.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, state.get(), kCardHeaderBytes), static_cast<ssize_t>(kCardHeaderBytes));
        ASSERT_EQ(ftruncate(fd, kRecordBytes), 0);
        close(fd);
        ASSERT_LT(allocated_bytes(), kRecordBytes) << "the file system made no holes";
    }

    std::uint64_t allocated_bytes() const {
        struct stat status {};
        stat(card.c_str(), &status);
        return static_cast<std::uint64_t>(status.st_blocks) * 512;
    }

    std::unique_ptr<CardFile> open_card(std::string& problem) const {
        const auto power_on = std::make_unique<ch367sim_card_state>();
        power_on_record(*power_on);
        return CardFile::open(card, *power_on, problem);
    }

    const std::string directory = unique_temp_path(
        std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".fs");
    const std::string card = directory + "/bench.card";

private:
    bool mounted_ = false;
};

}  // namespace

TEST_F(CardFileStorage, FullFileSystemRefusesANewCardAndLeavesNothing) {
    fill_up();
    std::string problem;
    EXPECT_EQ(open_card(problem), nullptr);
    EXPECT_EQ(problem, "cannot be created: its " + std::to_string(sizeof(ch367sim_card_state)) + " bytes cannot be reserved: No space left on device");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"filler"});
}

TEST_F(CardFileStorage, SparseCardIsBackedWhenOpenedOrRefusedWhenItCannotBe) {
    write_sparse_card();
    const std::vector<std::uint8_t> sparse = read_file(card);
    {
        std::string problem;
        ASSERT_NE(open_card(problem), nullptr) << problem;
        EXPECT_GE(allocated_bytes(), kRecordBytes);
        EXPECT_EQ(read_file(card), sparse) << "backing the file changed its bytes";
    }
    write_sparse_card();
    fill_up();
    std::string problem;
    EXPECT_EQ(open_card(problem), nullptr);
    EXPECT_EQ(problem, "is not fully backed by storage (a sparse file), and cannot be: No space left on device");
    EXPECT_EQ(read_file(card), sparse);
}

TEST_F(CardFileStorage, PageThatLosesItsStorageWhileMappedLosesTheCard) {
    std::string problem;
    const auto file = open_card(problem);
    ASSERT_NE(file, nullptr) << problem;
    // Another program punches a hole under the display memory, and the file system fills up.
    const int fd = ::open(card.c_str(), O_RDWR);
    ASSERT_EQ(fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                        offsetof(ch367sim_card_state, display), 4 * 4096),
              0);
    close(fd);
    fill_up();
    EXPECT_FALSE(file->lost());
    file->state().display.memory[4096] = 0x12;  // no storage for this page: the card is lost
    EXPECT_TRUE(file->lost());
    EXPECT_EQ(file->loss(),
              "could not be backed by storage while in use (its file system is full); the card is "
              "gone for this program");
}
#endif
