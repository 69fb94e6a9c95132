// Every export that runs SPI transactions, with the bus gate stuck at its first, a middle and its
// last transaction, once stuck closed when the bus opens and once stuck open when it closes.
// Only the last transaction's flag may count, nothing crashes, and the next transaction that
// completes deselects every device again.
#include <algorithm>
#include <set>

#include "export_calls.h"
#include "simulated_card.h"

namespace {

constexpr std::uint8_t kChipSelects = 0x3F;

std::uint64_t transactions_so_far() { return ch367sim_get_counters().transactions; }

std::vector<ExportCall> bus_exports() {
    std::vector<ExportCall> rows;
    std::copy_if(export_calls().begin(), export_calls().end(), std::back_inserter(rows),
                 [](const ExportCall& row) { return row.transactions; });
    return rows;
}

class FaultMatrix : public SimulatedCard, public ::testing::WithParamInterface<ExportCall> {};

TEST_P(FaultMatrix, OnlyTheLastTransactionCountsAndTheBusRecovers) {
    const ExportCall& row = GetParam();
    const std::uint64_t before = transactions_so_far();
    EXPECT_EQ(run_export(row, card), row.expected(false)) << "clean run";
    const std::uint64_t count = transactions_so_far() - before;
    ASSERT_GT(count, 0u);

    for (const auto fault : {CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, CH367SIM_GATE_STUCK_OPEN_ON_CLOSE}) {
        for (const std::uint64_t nth : std::set<std::uint64_t>{1, (count + 1) / 2, count}) {
            SCOPED_TRACE(::testing::Message() << "fault " << fault << " at transaction " << nth
                                              << " of " << count);
            ch367sim_inject_gate_fault(fault, nth);
            const std::uint64_t start = transactions_so_far();
            const Outcome outcome = run_export(row, card);
            ch367sim_clear_faults();
            EXPECT_EQ(transactions_so_far() - start, count) << "a failure stopped the export";
            EXPECT_EQ(outcome, row.expected(nth == count));

            // A device stays selected only when the very last transaction failed to close.
            const bool left_selected = fault == CH367SIM_GATE_STUCK_OPEN_ON_CLOSE && nth == count;
            EXPECT_EQ((ch367sim_line_register() & kChipSelects) != kChipSelects, left_selected);

            EXPECT_EQ(DioArm(card), 1);
            EXPECT_EQ(ch367sim_line_register() & kChipSelects, kChipSelects);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllBusExports, FaultMatrix, ::testing::ValuesIn(bus_exports()),
                         [](const auto& info) { return export_call_name(info.param); });

// The open's one transaction (the DDS reset) failing leaves the status at 0 and the card open.
TEST(FaultMatrixOpen, AFailedResetTransactionDoesNotFailTheOpen) {
    for (const auto fault : {CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, CH367SIM_GATE_STUCK_OPEN_ON_CLOSE}) {
        ch367sim_reset();
        ch367sim_inject_gate_fault(fault, 1);
        DioMasterHandle* card = nullptr;
        std::int16_t status = kUntouchedStatus;
        DioInitialize(nullptr, &card, &status);
        ch367sim_clear_faults();
        EXPECT_EQ(status, DIO_OK);
        EXPECT_EQ(DioArm(card), 1);
        EXPECT_EQ(ch367sim_line_register() & kChipSelects, kChipSelects);
        DioClose(card);
    }
    ch367sim_reset();
}

}  // namespace
