// The card kept in a file: the header check, the files that are refused, and a card that
// outlives the process that drew on it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bridge_registers.h"
#include "card.h"
#include "card_state.h"
#include "environment_variable.h"
#include "file_bytes.h"
#include "temp_path.h"

using namespace ch367sim;

namespace {

std::unique_ptr<ch367sim_card_state> power_on() {
    auto state = std::make_unique<ch367sim_card_state>();
    power_on_record(*state);
    return state;
}

std::vector<std::uint8_t> header_bytes() {
    const auto state = power_on();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(state.get());
    return {bytes, bytes + kCardHeaderBytes};
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

class CardFileTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove_all(path); }
    const std::string path = unique_temp_path(
        std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".card");
};

}  // namespace

TEST(CardHeader, NamesTheFieldThatMakesAFileNoCard) {
    constexpr std::uint64_t size = sizeof(ch367sim_card_state);
    const auto good = header_bytes();
    const auto with = [&](std::size_t offset, std::uint8_t value) {
        auto bytes = good;
        bytes[offset] = value;
        return bytes;
    };
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::uint64_t file_size;
        const char* problem;  // empty for a card
    };
    const Case cases[] = {
        {good, size, ""},
        {{}, 0, "is not a card file (it is empty)"},
        {with(0, 'X'), size, "is not a card file (its magic is not CH367SIM)"},
        {{good.begin(), good.begin() + 20}, 20,
         "has a file size of 20 bytes; a card file's is 541696 (truncated)"},
        {with(offsetof(ch367sim_card_state, version), 1), size,
         "has a version of 1; this simulator reads version 2"},
        {with(offsetof(ch367sim_card_state, header_bytes), 128), size,
         "has a header size of 128 bytes; a card file's is 64"},
        {with(offsetof(ch367sim_card_state, size), 1), size,
         "has a record size of 541697 bytes; a card file's is 541696"},
        {good, size - 1, "has a file size of 541695 bytes; a card file's is 541696 (truncated)"},
        {good, size + 4096, "has a file size of 545792 bytes; a card file's is 541696 (extended)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(card_file_problem(c.bytes.data(), c.bytes.size(), c.file_size), c.problem);
    }
}

TEST_F(CardFileTest, MissingFileIsCreatedAtPowerOn) {
    std::string problem;
    const auto file = CardFile::open(path, *power_on(), problem);
    ASSERT_NE(file, nullptr) << problem;
    EXPECT_EQ(std::filesystem::file_size(path), sizeof(ch367sim_card_state));
    EXPECT_EQ(file->state().bridge.registers[ch367bus::kLines], CH367SIM_POWER_ON_LINES);
    EXPECT_EQ(file->state().pattern_generator.status, CH367SIM_PG_STATUS_HALTED);
    EXPECT_EQ(file->lock(), CardFile::Taken::free) << "a new card's lock is free";
    file->unlock();
}

TEST_F(CardFileTest, RefusesFilesThatAreNoCardAndLeavesThemAlone) {
    auto card = read_file(path);  // empty: the path does not exist yet
    {
        std::string problem;
        ASSERT_NE(CardFile::open(path, *power_on(), problem), nullptr) << problem;
    }
    card = read_file(path);
    auto other_version = card;
    other_version[offsetof(ch367sim_card_state, version)] = 9;
    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o', '\n'};
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* problem;
    };
    const Case cases[] = {
        {"text", text, "is not a card file (its magic"},
        {"empty", {}, "is not a card file (it is empty)"},
        {"version", other_version, "has a version of 9"},
        {"truncated", {card.begin(), card.end() - 100}, "has a file size of "},
    };
    for (const Case& c : cases) {
        write_file(path, c.bytes);
        std::string problem;
        EXPECT_EQ(CardFile::open(path, *power_on(), problem), nullptr) << c.name;
        EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << c.name << ": " << problem;
        EXPECT_EQ(read_file(path), c.bytes) << c.name << ": the refused file was changed";
    }
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    std::string problem;
    EXPECT_EQ(CardFile::open(path, *power_on(), problem), nullptr);
    EXPECT_EQ(problem, "is a directory");
    EXPECT_EQ(CardFile::open(path + "/inside/card", *power_on(), problem), nullptr);
    EXPECT_EQ(problem.rfind("cannot be created", 0), 0u) << problem;
}

TEST_F(CardFileTest, CardOutlivesTheProcessAndARefusedFileFailsTheOpen) {
    set_environment_variable("CH367SIM_CARD", path.c_str());
    const auto transaction = [](Card& card, std::uint8_t device, std::vector<std::uint8_t> bytes) {
        card.write(CH367SIM_IO_BASE + ch367bus::kBridgeControl, 0x80);  // gate open
        card.write(CH367SIM_IO_BASE + ch367bus::kLines,
                   static_cast<std::uint8_t>(CH367SIM_POWER_ON_LINES & ~(1u << device)));
        for (std::uint8_t b : bytes) card.write(CH367SIM_IO_BASE + ch367bus::kSpiData, b);
        card.write(CH367SIM_IO_BASE + ch367bus::kBridgeControl, 0x84);
        card.write(CH367SIM_IO_BASE + ch367bus::kLines, CH367SIM_POWER_ON_LINES);
    };
    {
        auto first = std::make_unique<Card>();
        ASSERT_TRUE(first->open_device());
        transaction(*first, 0, {'m'});
        transaction(*first, 0, {0x78, 0x56, 0x34, 0x12});
        transaction(*first, 1, {0xAF});
        EXPECT_FALSE(first->bridge.in_transaction());
    }
    auto second = std::make_unique<Card>();
    EXPECT_EQ(second->pattern_generator.snapshot().io_lines, 0x12345678u);
    EXPECT_TRUE(second->display.is_on());
    EXPECT_EQ(second->bridge.counters().transactions, 3u);

    second->reset();  // power-cycles the card in the file
    second.reset();
    EXPECT_FALSE(Card().display.is_on());

    write_file(path, {'n', 'o'});
    testing::internal::CaptureStderr();
    Card refused;
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(refused.open_device());
    EXPECT_EQ(message, "ch367sim: card file " + path + " is not a card file (its magic is not CH367SIM)\n");
    set_environment_variable("CH367SIM_CARD", "");
}

TEST_F(CardFileTest, LockLeftByAnEarlierProcessOfTheSameIdIsTakenOver) {
    std::string problem;
    const auto file = CardFile::open(path, *power_on(), problem);
    ASSERT_NE(file, nullptr) << problem;
    ASSERT_EQ(file->lock(), CardFile::Taken::free);
    EXPECT_EQ(file->lock(), CardFile::Taken::from_gone) << "the holder's id is this process's, yet it holds no lock";
    file->unlock();
}
