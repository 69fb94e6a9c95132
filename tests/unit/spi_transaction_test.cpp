// The SPI transaction against the exact register trace the simulated bridge records: every
// expected access must occur, in order, and no other.
#include "link/spi_transaction.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "ch367sim.h"
#include "link/bridge.h"
#include "link/registers.h"
#include "reply_device.h"

using Access = ch367sim_register_access;
using Trace = std::vector<Access>;

bool operator==(const Access& a, const Access& b) {
    return a.is_write == b.is_write && a.offset == b.offset && a.value == b.value;
}
void PrintTo(const Access& a, std::ostream* os) {
    *os << (a.is_write ? "W " : "R ") << std::hex << int{a.offset} << "=" << int{a.value};
}

namespace {

using quorvel::link::spi_transaction;

constexpr std::uint8_t kControl = 0xE8;
constexpr std::uint8_t kLines = 0xF1;
constexpr std::uint8_t kSpiControl = 0xFD;
constexpr std::uint8_t kSpiData = 0xFE;

constexpr std::uint8_t kDevice = 3;                   // the reply device's chip select
constexpr std::uint8_t kLinesDeselected = 0xBF;       // the simulator's power-on line register
constexpr std::uint8_t kLinesSelected = 0xB7;         // ... with device 3 selected
constexpr std::uint8_t kControlByte = 0xE0;           // both mode flags at 1

Access R(std::uint8_t offset, std::uint8_t value) { return {0, offset, value}; }
Access W(std::uint8_t offset, std::uint8_t value) { return {1, offset, value}; }

Trace operator+(Trace a, const Trace& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Opening from the bridge's power-on state (SPI control 0x00, bridge control 0x84: gate closed).
Trace opening(std::uint8_t control_byte = kControlByte) {
    return {R(kSpiControl, 0x00), W(kSpiControl, control_byte), R(kControl, 0x84),
            W(kControl, 0x40),    R(kControl, 0x40),            W(kLines, kLinesSelected)};
}

// Closing, given what the SPI control and bridge control registers hold at that point.
Trace closing(std::uint8_t spi_control, std::uint8_t control = 0x40) {
    return {R(kSpiControl, spi_control),
            W(kSpiControl, static_cast<std::uint8_t>(spi_control & 0x20)),
            R(kControl, control),
            W(kControl, static_cast<std::uint8_t>((control & 0x39) | 0x84)),
            R(kControl, static_cast<std::uint8_t>((control & 0x39) | 0x84)),
            W(kLines, kLinesDeselected)};
}

Trace recorded_trace() {
    Trace trace(ch367sim_register_trace_count());
    for (std::size_t i = 0; i < trace.size(); ++i) ch367sim_get_register_access(i, &trace[i]);
    return trace;
}

class SpiTransaction : public ::testing::Test {
protected:
    void SetUp() override {
        ch367sim_reset();
        callbacks = device.callbacks();
        ASSERT_EQ(ch367sim_attach_device(kDevice, &callbacks), 1);
        CH367OpenDevice(0, 0, 0);  // a closed bridge refuses register calls
        handle.open = 1;
        handle.io_base = CH367SIM_IO_BASE;
        handle.mode_a = 1;
        handle.mode_b = 1;
        handle.line_shadow = kLinesDeselected;
        ch367sim_set_register_trace(1);
    }
    void TearDown() override { ch367sim_reset(); }

    ReplyDevice device;
    ch367sim_device callbacks{};
    DioMasterHandle handle{};
};

TEST_F(SpiTransaction, WriteMovesOneRegisterWritePerByte) {
    const std::uint8_t out[] = {0xA5, 0x5A};
    EXPECT_TRUE(spi_transaction(handle, kDevice, out, nullptr, sizeof out));
    const Trace expected =
        opening() + Trace{W(kSpiData, 0xA5), W(kSpiData, 0x5A)} + closing(kControlByte);
    EXPECT_EQ(recorded_trace(), expected);
    EXPECT_EQ(handle.line_shadow, kLinesDeselected);
    EXPECT_EQ(device.frames, (std::vector<std::vector<std::uint8_t>>{{0xA5, 0x5A}}));
}

TEST_F(SpiTransaction, ReadClearsReceiveBitThenReadsData) {
    std::uint8_t in[1] = {};
    const std::uint8_t out[] = {0x01};
    EXPECT_TRUE(spi_transaction(handle, kDevice, out, in, 1));
    const Trace expected = opening() +
                           Trace{W(kSpiData, 0x01), R(kSpiControl, 0xE0), W(kSpiControl, 0x60),
                                 R(kControl, 0x40), R(kSpiData, 0x11)} +
                           closing(0x60);
    EXPECT_EQ(recorded_trace(), expected);
    EXPECT_EQ(in[0], 0x11);
}

TEST_F(SpiTransaction, ReadWithModeFlagBClearWritesTheBridgeControlPerByte) {
    handle.mode_b = 0;
    std::uint8_t in[1] = {};
    EXPECT_TRUE(spi_transaction(handle, kDevice, nullptr, in, 1));
    const Trace expected = opening(0xA0) +
                           Trace{W(kSpiData, 0x00), R(kSpiControl, 0xA0), W(kSpiControl, 0x20),
                                 R(kControl, 0x40), W(kControl, 0x00), R(kSpiData, 0x10)} +
                           closing(0x20, 0x00);
    EXPECT_EQ(recorded_trace(), expected);
}

TEST_F(SpiTransaction, GateStuckClosedOnOpenSelectsAndSendsNothing) {
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 1);
    const std::uint8_t out[] = {0x77};
    EXPECT_FALSE(spi_transaction(handle, kDevice, out, nullptr, 1));
    EXPECT_EQ(recorded_trace(), (Trace{R(kSpiControl, 0x00), W(kSpiControl, kControlByte),
                                       R(kControl, 0x84), W(kControl, 0x40), R(kControl, 0x44)}));
    EXPECT_EQ(handle.line_shadow, kLinesDeselected);
    EXPECT_EQ(ch367sim_line_register(), kLinesDeselected);
    EXPECT_TRUE(device.frames.empty());
}

TEST_F(SpiTransaction, GateStuckOpenOnCloseLeavesTheDeviceSelectedUntilTheNextTransaction) {
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_OPEN_ON_CLOSE, 1);
    const std::uint8_t out[] = {0x42};
    EXPECT_FALSE(spi_transaction(handle, kDevice, out, nullptr, 1));
    const Trace expected = opening() + Trace{W(kSpiData, 0x42), R(kSpiControl, 0xE0),
                                             W(kSpiControl, 0x20), R(kControl, 0x40),
                                             W(kControl, 0x84), R(kControl, 0x80)};
    EXPECT_EQ(recorded_trace(), expected);
    EXPECT_EQ(handle.line_shadow, kLinesSelected);
    EXPECT_EQ(ch367sim_line_register(), kLinesSelected);

    // The gate reads 0 now, so the next opening raises it first; the select left low stays low
    // beside the new one until the close sets all six.
    ch367sim_clear_register_trace();
    EXPECT_TRUE(spi_transaction(handle, 4, nullptr, nullptr, 0));
    const Trace trace = recorded_trace();
    EXPECT_EQ(Trace(trace.begin(), trace.begin() + 7),
              (Trace{R(kSpiControl, 0x20), W(kSpiControl, kControlByte), R(kControl, 0x80),
                     W(kControl, 0x84), W(kControl, 0x40), R(kControl, 0x40),
                     W(kLines, kLinesSelected & ~0x10)}));
    EXPECT_EQ(trace.back(), W(kLines, kLinesDeselected));
    EXPECT_EQ(handle.line_shadow, kLinesDeselected);
}

TEST_F(SpiTransaction, CountZeroStillFramesTheDevice) {
    EXPECT_TRUE(spi_transaction(handle, kDevice, nullptr, nullptr, 0));
    EXPECT_EQ(recorded_trace(), opening() + closing(kControlByte));
    EXPECT_EQ(device.frames, (std::vector<std::vector<std::uint8_t>>{{}}));
    EXPECT_EQ(device.frames_ended, 1);
}

TEST_F(SpiTransaction, SharedBufferSendsEachByteBeforeStoringItsReply) {
    std::uint8_t buffer[] = {0x01, 0x02, 0x03};
    EXPECT_TRUE(spi_transaction(handle, kDevice, buffer, buffer, sizeof buffer));
    EXPECT_EQ(device.frames, (std::vector<std::vector<std::uint8_t>>{{0x01, 0x02, 0x03}}));
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 3),
              (std::vector<std::uint8_t>{0x11, 0x12, 0x13}));
}

TEST_F(SpiTransaction, OnlyTheChipSelectBitsMove) {
    ch367sim_set_line_register(0x7F);
    handle.line_shadow = 0x7F;
    EXPECT_TRUE(spi_transaction(handle, 1, nullptr, nullptr, 2));
    ch367sim_transaction logged{};
    ASSERT_EQ(ch367sim_get_transaction(0, &logged), 1);
    EXPECT_EQ(logged.device, 1);
    EXPECT_EQ(logged.lines, 0x7D);
    EXPECT_EQ(ch367sim_line_register(), 0x7F);
    EXPECT_EQ(handle.line_shadow, 0x7F);
}

}  // namespace
