// No export allocates from the heap, DioInitialize and DioOpenBMP aside: every other export,
// with the longest runs at odd pixel columns included, runs on the caller's memory, the master
// handle and the stack.
#include "counting_allocator.h"
#include "export_calls.h"
#include "simulated_card.h"

namespace {

class Allocations : public SimulatedCard, public ::testing::WithParamInterface<ExportCall> {
protected:
    void SetUp() override {
        SimulatedCard::SetUp();
        ch367sim_set_logging(0);  // the simulator's log allocates; the library must not
    }
};

TEST_P(Allocations, NoneDuringTheCall) {
    allocation::Counting counting;
    run_export(GetParam(), card);
    EXPECT_EQ(counting.allocations(), 0u);
}

INSTANTIATE_TEST_SUITE_P(AllExports, Allocations, ::testing::ValuesIn(export_calls()),
                         [](const auto& info) { return export_call_name(info.param); });

TEST(AllocationsWithoutHandle, NoneInMessagesOrClose) {
    ch367sim_reset();
    ch367sim_set_logging(0);  // the simulator's own log is not the library's business
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    allocation::Counting counting;
    DioGetErrorStr(nullptr, DIO_ERR_INVALID_BMP);
    DioClose(card);
    EXPECT_EQ(counting.allocations(), 0u);
}

// The counter itself works: without it the tests above would pass vacuously.
TEST(AllocationsWithoutHandle, TheCounterSeesTheLibrarysAllocation) {
    ch367sim_reset();
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    std::uint64_t allocations = 0;
    {
        allocation::Counting counting;
        DioInitialize(nullptr, &card, &status);
        allocations = counting.allocations();
    }
    EXPECT_GE(allocations, 1u);
    DioClose(card);
    ch367sim_reset();
}

}  // namespace
