// The dump of the final device state.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "host_run.h"
#include "host_workload.h"
#include "output_files.h"

namespace {

TEST(StateDump, ShowsLinesRegistersAndTheUsedPartsOfBothMemories) {
    run_on_card(run_host_workload);
    const auto lines = read_lines(output_file("state.txt"));
    const std::string expected[] = {
        "line register: 0xBF (cs5..cs0 = 111111, dc = 0, rst = 1)",
        "  trigger mode: 0x01 0x02",
        "  run model (the simulator's assumptions): real time at 1000000 Hz, pattern length 4 "
        "words (default), repeat off",
        "  control memory: 2 non-zero words in 1 range",
        "    0x0010..0x0011 (2 words)",
        "    0x0010: 11111111 22222222 00000000 00000000 00000000 00000000 00000000 00000000",
        "  output memory: 4 non-zero words in 1 range",
        "    0x0000: 00000001 00000002 00000003 00000004 00000000 00000000 00000000 00000000",
    };
    for (const std::string& line : expected) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

TEST(StateDump, DrawsTheDisplayMemoryOneHexDigitPerPixel) {
    run_on_card([](DioMasterHandle* card) {
        DioWriteOLEDPixelImm(card, 3, 2, 0xA);
        DioWriteOLEDPixelPairImm(card, 127, 63, 0x5F);
    });
    const auto lines = read_lines(output_file("state.txt"));
    const std::string expected[] = {
        "display (device 1): off, write position row 0 col 0, 0 unknown command bytes",
        "  rows 0..1: blank",
        "  row 2:  ...A" + std::string(252, '.'),
        "  rows 3..62: blank",
        "  row 63: " + std::string(254, '.') + "5F",
    };
    for (const std::string& line : expected) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

TEST(StateDump, SaysWhenAMemoryIsEmpty) {
    run_on_card([](DioMasterHandle*) {});
    const auto lines = read_lines(output_file("state.txt"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  control memory: all zero"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  output memory: all zero"), lines.end());
}

}  // namespace
