// Opening and closing the card on a simulator that each test starts from power-on; the card is
// opened by the test itself, so these tests do not use the opened-card fixture.
#include <gtest/gtest.h>

#include <chrono>

#include "QuorvelWCHDLL.h"
#include "ch367sim.h"
#include "simulated_card.h"

namespace {

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override { ch367sim_reset(); }
    void TearDown() override { ch367sim_reset(); }

    DioMasterHandle* card = nullptr;
    std::int16_t status = 99;
};

TEST_F(Lifecycle, CompleteOpenDeselectsAllDevicesSendsTheDdsResetAndWaits) {
    ch367sim_set_line_register(0x40);
    const auto start = std::chrono::steady_clock::now();
    DioInitialize(nullptr, &card, &status);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(status, DIO_OK);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(ch367sim_is_open(), 1);
    EXPECT_EQ(ch367sim_line_register(), 0x7F);  // bits 6 and 7 kept, all six selects high
    const auto log = logged_transactions();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].device, 0);
    EXPECT_TRUE(log[0].success);
    EXPECT_EQ(log[0].out, std::vector<std::uint8_t>{0x69});
    EXPECT_EQ(ch367sim_get_pattern_generator().dds_resets, 1u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(10));

    const std::uint64_t accesses = register_accesses();
    DioClose(card);
    EXPECT_EQ(ch367sim_get_counters().closes, 1u);
    EXPECT_EQ(ch367sim_is_open(), 0);
    EXPECT_EQ(register_accesses(), accesses);
    EXPECT_EQ(ch367sim_line_register(), 0x7F);
}

TEST_F(Lifecycle, FailedBridgeOpenKeepsTheRecordForDioCloseWithoutClosingTheBridge) {
    ch367sim_fail_open(1);
    DioInitialize(nullptr, &card, &status);
    EXPECT_EQ(status, DIO_ERR_INVALID_CH367_HANDLE);
    ASSERT_NE(card, nullptr);
    DioClose(card);
    const ch367sim_counters counters = ch367sim_get_counters();
    EXPECT_EQ(counters.opens, 1u);
    EXPECT_EQ(counters.closes, 0u);
    EXPECT_EQ(register_accesses(), 0u);
}

// The bridge was opened before the base address failed; the library closes it again at once so
// that it is not left open behind a record that DioClose will not close.
TEST_F(Lifecycle, FailedBaseAddressClosesTheBridgeAgain) {
    ch367sim_fail_io_base(1);
    DioInitialize(nullptr, &card, &status);
    EXPECT_EQ(status, DIO_ERR_IO_BASE_ADDRESS);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(ch367sim_is_open(), 0);
    DioClose(card);
    const ch367sim_counters counters = ch367sim_get_counters();
    EXPECT_EQ(counters.closes, 1u);
    EXPECT_EQ(register_accesses(), 0u);
}

TEST_F(Lifecycle, FailedDdsResetLeavesTheOpenSuccessful) {
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 0);
    DioInitialize(nullptr, &card, &status);
    EXPECT_EQ(status, DIO_OK);
    EXPECT_EQ(ch367sim_get_pattern_generator().dds_resets, 0u);
    DioClose(card);
}

}  // namespace
