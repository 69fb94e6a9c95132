// The display link through the public library: raw SPI on device 1 reaches the display model.
#include "simulated_card.h"

namespace {

constexpr std::uint8_t kDisplay = 1;
constexpr std::uint8_t kDataMode = 0x40;
constexpr std::uint8_t kResetReleased = 0x80;

using DisplayLinkTest = SimulatedCard;

TEST_F(DisplayLinkTest, OpenLeavesTheDisplayInCommandModeOutOfReset) {
    EXPECT_EQ(CH367SIM_POWER_ON_LINES & (kDataMode | kResetReleased), kResetReleased);
    EXPECT_EQ(ch367sim_line_register() & (kDataMode | kResetReleased), kResetReleased);
    // The open spoke only to the pattern generator.
    EXPECT_EQ(ch367sim_display_unknown_commands(), 0u);
    EXPECT_EQ(ch367sim_display_write_position(), 0);
    EXPECT_EQ(ch367sim_display_is_on(), 0);
}

TEST_F(DisplayLinkTest, RawCommandsPlaceTheWritePositionAndTurnTheDisplayOn) {
    const std::uint8_t address[] = {0xB0, 0x05, 0x08, 0x14};  // row 5, byte column 72
    DioWriteSPI(card, kDisplay, address, sizeof address, &status);
    EXPECT_EQ(ch367sim_display_write_position(), 5 * 128 + 72);
    EXPECT_EQ(ch367sim_display_is_on(), 0);

    const std::uint8_t display_on = 0xAF;
    DioWriteSPI(card, kDisplay, &display_on, 1, &status);
    EXPECT_EQ(ch367sim_display_is_on(), 1);
    EXPECT_EQ(ch367sim_display_unknown_commands(), 0u);
    EXPECT_EQ(status, DIO_OK);
}

TEST_F(DisplayLinkTest, SimulatorResetPowersTheDisplayDown) {
    const std::uint8_t display_on = 0xAF;
    DioWriteSPI(card, kDisplay, &display_on, 1, &status);
    ch367sim_reset();
    EXPECT_EQ(ch367sim_display_is_on(), 0);
    const std::uint8_t* memory = ch367sim_display_memory();
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(memory, memory + CH367SIM_DISPLAY_MEMORY_BYTES),
              std::vector<std::uint8_t>(CH367SIM_DISPLAY_MEMORY_BYTES, 0));
}

}  // namespace
