// A host that goes on using the card after the bridge was closed under it (two opens, the second
// handle closed, drawing through the first): the driver refuses every register call, as on the
// card, and the outputs show how many it refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "ch367sim.h"
#include "host_run.h"
#include "output_files.h"

extern "C" {
int32_t CH367ReadIoByte(uint64_t address, uint8_t* value);
int32_t CH367WriteIoByte(uint64_t address, uint8_t value);
}

namespace {

constexpr std::uint64_t kLineRegister = CH367SIM_IO_BASE + 0xF1;

TEST(ClosedBridge, RefusesRegisterCallsAndCountsThemInTheOutputs) {
    std::uint64_t refused = 0;
    run_on_card([&refused](DioMasterHandle* first) {
        DioMasterHandle* second = nullptr;
        std::int16_t status = 0;
        DioInitialize(nullptr, &second, &status);
        DioClose(second);
        const ch367sim_counters before = ch367sim_get_counters();
        const std::uint8_t lines = ch367sim_line_register();

        DioWriteOLEDPixelImm(first, 3, 2, 0xA);
        std::uint8_t value = 0x5A;
        EXPECT_EQ(CH367ReadIoByte(kLineRegister, &value), 0);
        EXPECT_EQ(value, 0x5A);
        EXPECT_EQ(CH367WriteIoByte(kLineRegister, 0x00), 0);

        const ch367sim_counters after = ch367sim_get_counters();
        EXPECT_EQ(after.transactions, before.transactions);
        EXPECT_EQ(ch367sim_line_register(), lines);
        EXPECT_EQ(ch367sim_display_memory()[2 * CH367SIM_DISPLAY_ROW_BYTES + 1], 0);
        refused = after.closed_accesses;
        EXPECT_EQ(refused - before.closed_accesses,
                  after.register_reads + after.register_writes - before.register_reads -
                      before.register_writes);
    });
    ASSERT_GT(refused, 2u);
    const std::string flagged = std::to_string(refused) + " register accesses refused: bridge closed";

    const std::vector<LogLine> log = read_command_log(output_file("commands.log"));
    const auto line = std::find_if(log.begin(), log.end(),
                                   [&](const LogLine& l) { return l.command == flagged; });
    ASSERT_NE(line, log.end());
    EXPECT_EQ(std::prev(line)->command, "bridge closed");
    EXPECT_EQ(std::next(line)->command, "bridge closed");

    const auto state = read_lines(output_file("state.txt"));
    EXPECT_NE(std::find(state.begin(), state.end(), "  " + flagged), state.end());
    EXPECT_EQ(read_bus_cost(output_file("cost.txt")).at("register accesses on a closed bridge").accesses,
              refused);
}

}  // namespace
