#include <chrono>
#include <vector>

#include "display_traffic.h"
#include "simulated_card.h"

namespace {

using DisplaySetup = SimulatedCard;

constexpr std::uint8_t kLines = 0xF1;
const std::vector<std::uint8_t> kInitSequence = {0xAE, 0x40, 0xA0, 0xC0, 0x81, 0x80, 0xA8,
                                                 0x3F, 0xAD, 0x81, 0xD5, 0x50, 0xD3, 0x00,
                                                 0xD9, 0x22, 0xDB, 0x35, 0xDC, 0x35, 0x30};

// The line-register writes before the first bus transaction.
std::vector<std::uint8_t> line_writes_before_bus() {
    std::vector<std::uint8_t> values;
    for (const auto& access : register_trace()) {
        if (access.offset != kLines) break;  // the first transaction starts with another register
        if (access.is_write) values.push_back(access.value);
    }
    return values;
}

TEST_F(DisplaySetup, ResetPulseKeepsChipSelectsAndEndsInCommandMode) {
    struct Case {
        const char* name;
        std::uint8_t lines_at_open;  // line register when the card is opened
        bool stuck_select;           // a transaction on device 0 failed to close before set-up
        std::vector<std::uint8_t> writes;
    };
    const Case cases[] = {
        {"power-on lines", 0xBF, false, {0xBF, 0xBF, 0x3F, 0xBF}},
        {"reset low, data mode", 0x40, false, {0xFF, 0xBF, 0x3F, 0xBF}},
        {"device 0 left selected", 0x40, true, {0xFE, 0xBE, 0x3E, 0xBE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DioClose(card);
        ch367sim_reset();
        ch367sim_set_line_register(c.lines_at_open);
        DioInitialize(nullptr, &card, &status);
        if (c.stuck_select) {
            ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_OPEN_ON_CLOSE, 1);
            DioArm(card);
            ch367sim_clear_faults();
        }
        ch367sim_set_register_trace(1);
        const auto start = std::chrono::steady_clock::now();
        DioSetupOLED(card, &status);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2));
        EXPECT_EQ(line_writes_before_bus(), c.writes);
        EXPECT_EQ(ch367sim_line_register(), 0xBF);
    }
}

TEST_F(DisplaySetup, SendsInitSequenceClearsEveryRowThenSwitchesOn) {
    DioWriteOLEDPixelPairBuff(card, DIO_BLEND_REPLACE, 3, 3, 0xFF);
    status = -99;
    EXPECT_EQ(DioSetupOLED(card, &status), 1);
    EXPECT_EQ(status, DIO_OK);

    const auto log = logged_transactions();
    ASSERT_EQ(log.size(), 8258u);
    EXPECT_EQ(log.front().out, kInitSequence);
    EXPECT_EQ(log.back().out, std::vector<std::uint8_t>{0xAF});
    for (const auto& t : {log.front(), log.back()}) EXPECT_EQ(t.lines & 0x40, 0);
    for (std::size_t row = 0; row < 64; ++row) {
        const std::size_t first = 1 + row * 129;
        EXPECT_EQ(log[first].out, (std::vector<std::uint8_t>{0xB0, std::uint8_t(row), 0x00, 0x10}));
        for (std::size_t i = first + 1; i < first + 129; ++i) {
            ASSERT_EQ(log[i].out, std::vector<std::uint8_t>{0x00}) << "transaction " << i;
            ASSERT_NE(log[i].lines & 0x40, 0) << "transaction " << i;
        }
    }
    for (const auto& t : log) ASSERT_EQ(t.device, 1);
    EXPECT_EQ(frame_buffer(card), std::vector<std::uint8_t>(8192));
}

TEST_F(DisplaySetup, FailedBusStillClearsFrameBufferAndReportsOk) {
    DioWriteOLEDPixelPairBuff(card, DIO_BLEND_REPLACE, 3, 3, 0xFF);
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 0);
    const auto before = ch367sim_get_counters().transactions;
    status = -99;
    EXPECT_EQ(DioSetupOLED(card, &status), 0);
    EXPECT_EQ(status, DIO_OK);
    EXPECT_EQ(ch367sim_get_counters().transactions - before, 8258u);
    ch367sim_clear_faults();
    EXPECT_EQ(frame_buffer(card), std::vector<std::uint8_t>(8192));
}

TEST_F(DisplaySetup, RowFillSendsOneTransactionPerByteAndLeavesFrameBuffer) {
    DioWriteOLEDPixelPairBuff(card, DIO_BLEND_REPLACE, 0, 5, 0x77);
    for (std::uint8_t row : {5, 200}) {
        ch367sim_clear_log();
        DioWriteOLEDRowValImm(card, row, 0x5A);
        const auto log = logged_transactions();
        ASSERT_EQ(log.size(), 129u);
        EXPECT_EQ(log[0].out, (std::vector<std::uint8_t>{0xB0, row, 0x00, 0x10}));
        EXPECT_EQ(log[0].lines & 0x40, 0);
        for (std::size_t i = 1; i < log.size(); ++i) {
            EXPECT_EQ(log[i].out, std::vector<std::uint8_t>{0x5A});
            EXPECT_NE(log[i].lines & 0x40, 0);
        }
        EXPECT_EQ(ch367sim_line_register() & 0x40, 0);
    }
    EXPECT_EQ(frame_buffer(card)[5 * 128], 0x77);
}

TEST_F(DisplaySetup, ScreenClearFillsRowsInOrderWithZero) {
    DIOClearOLEDImm(card);
    const auto log = logged_transactions();
    ASSERT_EQ(log.size(), 64u * 129u);
    for (std::size_t row = 0; row < 64; ++row) {
        EXPECT_EQ(log[row * 129].out, (std::vector<std::uint8_t>{0xB0, std::uint8_t(row), 0, 0x10}));
        EXPECT_EQ(log[row * 129 + 128].out, std::vector<std::uint8_t>{0x00});
    }
}

}  // namespace
