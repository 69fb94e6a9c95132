// Checks the files the stand-alone host program left in QUORVEL_HOST_OUTPUTS: it never closed
// the card, so the simulator wrote them at process exit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "output_files.h"

namespace {

std::filesystem::path host_outputs() {
    const char* directory = std::getenv("QUORVEL_HOST_OUTPUTS");
    return directory != nullptr ? directory : "";
}

TEST(HostProgramOutputs, AreWrittenAtExitWithoutAClose) {
    const std::vector<LogLine> log = read_command_log(host_outputs() / "commands.log");
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

}  // namespace
