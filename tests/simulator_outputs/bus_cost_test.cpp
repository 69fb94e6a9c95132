// The bus-cost summary: every access counted once, each under the export that made it.
#include <gtest/gtest.h>

#include "ch367sim.h"
#include "host_run.h"
#include "host_workload.h"
#include "output_files.h"

namespace {

TEST(BusCost, TotalsAreTheSimulatorsCounters) {
    run_on_card(run_host_workload);
    const auto rows = read_bus_cost(output_file("cost.txt"));
    const ch367sim_counters counters = ch367sim_get_counters();
    ASSERT_TRUE(rows.count("total"));
    EXPECT_EQ(rows.at("total").transactions, counters.transactions);
    EXPECT_EQ(rows.at("total").accesses, counters.register_reads + counters.register_writes);
    EXPECT_FALSE(rows.count("(accesses outside any recognised export)"));
}

// A transaction costs 12 accesses around its bytes (13 counting the gate read-back that is
// skipped when the gate is already closed), plus one per byte sent and five per byte read.
TEST(BusCost, ChargesEachExportItsOwnTransactionsAndAccesses) {
    run_on_card([](DioMasterHandle* card) {
        std::int16_t status = 0;
        const std::uint32_t words[2] = {1, 2};
        std::uint32_t back[2];
        DioArm(card);
        DioArm(card);
        DioWriteCtrlMemory(card, words, 16, 2, &status);
        DioReadCtrlMemory(card, back, 16, 2, &status);
        DioWriteCurrentIO(card, 5);
    });
    const auto rows = read_bus_cost(output_file("cost.txt"));
    struct Expected {
        const char* name;
        std::uint64_t calls, transactions, accesses, bytes;
    };
    const Expected expected[] = {
        {"DioInitialize", 1, 1, 2 + 13, 1},  // line register read and write, then 'i'
        {"DioArm", 2, 2, 2 * 13, 2},
        {"DioWriteCtrlMemory", 1, 4, 4 * 12 + 1 + 4 + 4 + 8, 17},
        {"DioReadCtrlMemory", 1, 4, 4 * 12 + 1 + 4 + 4 + 8 * 5, 17},
        {"DioWriteCurrentIO", 1, 3, 3 * 12 + 1 + 1 + 4, 6},
        {"DioClose", 1, 0, 0, 0},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        ASSERT_TRUE(rows.count(e.name));
        const CostRow& row = rows.at(e.name);
        EXPECT_EQ(row.calls, e.calls);
        EXPECT_EQ(row.transactions, e.transactions);
        EXPECT_EQ(row.accesses, e.accesses);
        EXPECT_EQ(row.bytes, e.bytes);
    }
    EXPECT_EQ(rows.size(), std::size(expected) + 1);  // and the total
}

// The display set-up: four line writes of the reset pulse, the init sequence (21 bytes), 64 row
// fills (address command, data line up, 128 one-byte transactions, data line down), and 0xAF.
TEST(BusCost, DisplaySetUpAndScreenClearCountTheirRowFills) {
    run_on_card([](DioMasterHandle* card) {
        std::int16_t status = 0;
        DioSetupOLED(card, &status);
        DIOClearOLEDImm(card);
    });
    const auto rows = read_bus_cost(output_file("cost.txt"));
    constexpr std::uint64_t kRowFillAccesses = (12 + 4) + 1 + 128 * (12 + 1) + 1;
    ASSERT_TRUE(rows.count("DioSetupOLED"));
    const CostRow& setup = rows.at("DioSetupOLED");
    EXPECT_EQ(setup.calls, 1u);
    EXPECT_EQ(setup.transactions, 1u + 64 * 129 + 1);
    EXPECT_EQ(setup.accesses, 4 + (12 + 21) + 64 * kRowFillAccesses + (12 + 1));
    const CostRow& clear = rows.at("DioWriteOLEDRowValImm/DIOClearOLEDImm (row fills)");
    EXPECT_EQ(clear.calls, 64u);
    EXPECT_EQ(clear.accesses, 64 * kRowFillAccesses);
}

}  // namespace
