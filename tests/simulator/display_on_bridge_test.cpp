// The display model behind chip select 1 of the simulated bridge, driven through the bridge's
// registers as the host drives them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bridge.h"
#include "display_model.h"

using ch367sim::Bridge;
using ch367sim::DisplayModel;

namespace {

constexpr std::uint8_t kBridgeControl = 0xE8;
constexpr std::uint8_t kLines = 0xF1;
constexpr std::uint8_t kSpiData = 0xFE;
constexpr std::uint8_t kBusOpen = 0x40;
constexpr std::uint8_t kBusClosed = 0x84;
constexpr std::uint8_t kDisplaySelect = 0x02;
constexpr std::uint8_t kDataMode = 0x40;
constexpr std::uint8_t kResetReleased = 0x80;
constexpr std::uint8_t kIdleCommandLines = 0xBF;  // nothing selected, command mode

class DisplayOnBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        bridge.attach(1, &display);
        bridge.open_device();
    }

    void write(std::uint8_t offset, std::uint8_t value) {
        ASSERT_TRUE(bridge.write(CH367SIM_IO_BASE + offset, value));
    }
    // One transaction on the display with the line register's idle value `lines`.
    void transaction(std::uint8_t lines, const std::vector<std::uint8_t>& bytes) {
        write(kBridgeControl, kBusOpen);
        write(kLines, static_cast<std::uint8_t>(lines & ~kDisplaySelect));
        for (std::uint8_t b : bytes) write(kSpiData, b);
        write(kBridgeControl, kBusClosed);
        write(kLines, lines);
    }

    Bridge bridge;
    DisplayModel display;
};

TEST_F(DisplayOnBridgeTest, DataLineDecidesBetweenCommandsAndPixels) {
    transaction(kIdleCommandLines, {0xB0, 0x02, 0x04, 0x11});
    write(kLines, kIdleCommandLines | kDataMode);
    transaction(kIdleCommandLines | kDataMode, {0xAF, 0x12});
    write(kLines, kIdleCommandLines);
    EXPECT_FALSE(display.is_on()) << "a data byte was taken as a command";
    EXPECT_EQ(display.memory()[2 * 128 + 20], 0xAF);
    EXPECT_EQ(display.memory()[2 * 128 + 21], 0x12);
    transaction(kIdleCommandLines, {0xAF});
    EXPECT_TRUE(display.is_on());
}

TEST_F(DisplayOnBridgeTest, ResetPulseOnTheLineRegisterResetsTheDisplay) {
    transaction(kIdleCommandLines, {0xAF, 0xB0, 0x09});
    write(kLines, kIdleCommandLines & ~kResetReleased);
    write(kLines, kIdleCommandLines);
    EXPECT_FALSE(display.is_on());
    EXPECT_EQ(display.write_position(), 0);
}

}  // namespace
