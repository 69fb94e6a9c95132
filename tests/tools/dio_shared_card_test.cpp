// One-shot dio commands, each its own process, on one simulated card kept in a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ch367sim.h"
#include "card_record.h"
#include "dio_process.h"

namespace {

class DioSharedCardTest : public DioProcess {
protected:
    DioResult on_card(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--card", card});
        return dio(arguments);
    }
    std::unique_ptr<ch367sim_card_state> card_file() const { return read_card_file(card); }
    const std::string card = path("bench.card").string();
};

}  // namespace

TEST_F(DioSharedCardTest, EachCommandFindsTheCardAsTheLastOneLeftIt) {
    write("words.hex", "11\n22\n33\n44\n55\n");
    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"load", "out", "words.hex", "--hex"},
                                               {"card", "run-model", "--clock", "test"},
                                               {"arm"},
                                               {"trigger"},
                                               {"step", "3"},
                                               {"oled", "setup"},
                                               {"oled", "text", "0", "0", "Hi"}}) {
        const DioResult result = on_card(command);
        ASSERT_EQ(result.exit_code, 0) << command[0] << ": " << result.err;
    }
    // The variable does what --card does.
    const DioResult io = dio({"io"}, {"CH367SIM_CARD=" + card});
    EXPECT_EQ(io.out, "I/O lines:       0x00000044\n") << io.err;
    const auto state = card_file();
    EXPECT_EQ(state->pattern_generator.program_counter, 3u);
    EXPECT_EQ(state->pattern_generator.status & CH367SIM_PG_STATUS_RUNNING, CH367SIM_PG_STATUS_RUNNING);
    EXPECT_EQ(state->display.on, 1);
    EXPECT_NE(state->display.memory[4 * CH367SIM_DISPLAY_ROW_BYTES], 0) << "no text on the panel";

    ASSERT_EQ(on_card({"card", "power-cycle"}).exit_code, 0);
    EXPECT_EQ(on_card({"io"}).out, "I/O lines:       0x00000000\n");
    EXPECT_EQ(card_file()->display.on, 0);
}

TEST_F(DioSharedCardTest, FileThatIsNoCardFailsTheOpenAndStaysAsItWas) {
    write("notes.txt", "not a card\n");
    const DioResult result = dio({"--card", path("notes.txt").string(), "info"});
    EXPECT_EQ(result.exit_code, 1);
    // One line, in dio's own form.
    EXPECT_EQ(result.err, "dio: info: card file " + path("notes.txt").string() +
                              " is not a card file (its magic is not CH367SIM)\n");
    EXPECT_EQ(read("notes.txt"), "not a card\n");
}

// An empty name would make a card of the process's own, lost when it ends.
TEST_F(DioSharedCardTest, EmptyCardNameIsRefusedOrWarnedAbout) {
    const DioResult option = dio({"--card", "", "info"});
    EXPECT_EQ(option.exit_code, 2);
    EXPECT_EQ(option.err, "dio: info: --card: an empty name names no card file (leave --card out for a "
                          "card of this process alone) (see --help)\n");
#ifndef _WIN32  // Windows' C runtime takes an empty value as removing the variable
    const DioResult variable = dio({"pc"}, {"CH367SIM_CARD="});
    EXPECT_EQ(variable.exit_code, 0);
    EXPECT_EQ(variable.err,
              "dio: pc: warning: CH367SIM_CARD is empty: the card is this process's own and is lost "
              "when it ends\n");
#endif
}

TEST_F(DioSharedCardTest, SavedCardIsACardFileThatRestoreBringsBack) {
    write("words.hex", "11\n22\n");
    ASSERT_EQ(on_card({"load", "out", "words.hex", "--hex"}).exit_code, 0);
    const DioResult saved = on_card({"card", "save", "saved.card"});
    ASSERT_EQ(saved.exit_code, 0) << saved.err;
    const auto copy = read_card_file(path("saved.card").string());
    EXPECT_EQ(std::filesystem::file_size(path("saved.card")), sizeof(ch367sim_card_state));
    EXPECT_EQ(copy->pattern_generator.out_memory[1], 0x22u);
    EXPECT_EQ(std::vector<std::uint8_t>(copy->lock, copy->lock + sizeof copy->lock),
              std::vector<std::uint8_t>(sizeof copy->lock, 0));

    ASSERT_EQ(on_card({"card", "power-cycle"}).exit_code, 0);
    const std::uint64_t changes = card_file()->changes;
    const DioResult restored = on_card({"card", "restore", "saved.card"});
    ASSERT_EQ(restored.exit_code, 0) << restored.err;
    EXPECT_EQ(on_card({"dump", "out", "--words", "2", "--hex"}).out, "00000011\n00000022\n");
    EXPECT_GT(card_file()->changes, changes) << "watchers are not told of the restored card";

    // A file holding a command half received (its opcode taken, its argument not): the command
    // ends as a frame error, so the next program's frames are not taken for its argument. A
    // write position past the display's memory would have the next pixel written past it.
    auto odd = read_card_file(path("saved.card").string());
    odd->pattern_generator.phase = 1;
    odd->pattern_generator.opcode = 'x';  // write the program counter
    odd->display.write_position = 60000;
    std::ofstream(path("odd.card"), std::ios::binary).write(reinterpret_cast<const char*>(odd.get()), sizeof *odd);
    ASSERT_EQ(on_card({"card", "restore", "odd.card"}).exit_code, 0);
    EXPECT_EQ(card_file()->pattern_generator.phase, 0);
    EXPECT_TRUE(card_file()->pattern_generator.status & CH367SIM_PG_STATUS_FRAME_ERROR);
    EXPECT_LT(card_file()->display.write_position, CH367SIM_DISPLAY_MEMORY_BYTES);

    write("notes.txt", "not a card\n");
    const auto before = read("bench.card");
    for (const std::vector<std::string>& refused :
         std::vector<std::vector<std::string>>{{"card", "restore", "notes.txt"}, {"card", "save", card}}) {
        const DioResult result = on_card(refused);
        EXPECT_EQ(result.exit_code, 1) << refused[1];
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    EXPECT_TRUE(read("bench.card") == before) << "a refused copy changed the card";
}

TEST_F(DioSharedCardTest, APlayingPatternIsAtTheSamePlaceForEveryProcess) {
    // 1000 samples per second over the whole memory: 65.5 s, still playing when the test ends.
    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"card", "run-model", "--rate", "1000"}, {"arm"}, {"trigger"}}) {
        ASSERT_EQ(on_card(command).exit_code, 0) << command[0];
    }
    const auto program_counter = [this] {
        const DioResult pc = on_card({"pc"});
        return std::stoul(pc.out.substr(pc.out.find("0x")), nullptr, 16);
    };
    const unsigned long first = program_counter();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const unsigned long later = program_counter();
    EXPECT_GE(later, first + 30) << "the pattern plays between the processes";
    EXPECT_LT(later, 65536u);
    EXPECT_EQ(card_file()->pattern_generator.status & CH367SIM_PG_STATUS_RUNNING, CH367SIM_PG_STATUS_RUNNING);
}
