// Checks the files the stand-alone host program left in QUORVEL_HOST_OUTPUTS: it never closed
// the card, so the simulator wrote them at process exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "output_files.h"

namespace {

std::filesystem::path host_outputs() {
    const char* directory = std::getenv("QUORVEL_HOST_OUTPUTS");
    return directory != nullptr ? directory : "";
}

TEST(HostProgramOutputs, AreWrittenAtExitWithoutAClose) {
    const std::vector<LogLine> log = read_command_log(host_outputs() / "renamed.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().command, "bridge opened");
    EXPECT_EQ(log.back().command, "pg h");  // the workload's last command; no "bridge closed"

    const auto cost = read_bus_cost(host_outputs() / "cost.txt");
    ASSERT_TRUE(cost.count("total"));
    EXPECT_EQ(cost.at("total").transactions, log.back().last_sequence);
    EXPECT_FALSE(cost.count("DioClose"));

    EXPECT_FALSE(read_vcd_changes(host_outputs() / "bus.vcd").empty());
    const auto state = read_lines(host_outputs() / "state.txt");
    EXPECT_NE(std::find(state.begin(), state.end(), "  control memory: 2 non-zero words in 1 range"),
              state.end());
}

// The host ran with CH367SIM_LOG naming its own file and CH367SIM_PNG_SCALE=2.
TEST(HostProgramOutputs, FollowTheVariablesForOneFile) {
    EXPECT_TRUE(std::filesystem::exists(host_outputs() / "renamed.log"));
    EXPECT_FALSE(std::filesystem::exists(host_outputs() / "commands.log"));
    // Width and height are the big-endian words at bytes 16 and 20 of a PNG file (its IHDR).
    std::ifstream png(host_outputs() / "panel.png", std::ios::binary);
    unsigned char header[24] = {};
    ASSERT_TRUE(png.read(reinterpret_cast<char*>(header), sizeof header));
    const auto word = [&](int at) {
        return std::uint32_t{header[at]} << 24 | std::uint32_t{header[at + 1]} << 16 |
               std::uint32_t{header[at + 2]} << 8 | header[at + 3];
    };
    EXPECT_EQ(word(16), 512u);
    EXPECT_EQ(word(20), 128u);
}

}  // namespace
