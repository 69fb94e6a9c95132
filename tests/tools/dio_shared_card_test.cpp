// One-shot dio commands, each its own process, on one simulated card kept in a file.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

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
    EXPECT_NE(result.err.find("ch367sim: card file " + path("notes.txt").string() +
                              " is not a card file\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(read("notes.txt"), "not a card\n");
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
