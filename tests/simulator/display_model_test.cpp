// The display controller model on its own: commands, write position, data, reset.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display_model.h"

using ch367sim::DisplayModel;

namespace {

// Line register values while the display is selected.
constexpr std::uint8_t kCommandLines = 0xBD;     // reset released, command mode
constexpr std::uint8_t kDataLines = 0xFD;        // reset released, data mode
constexpr std::uint8_t kResetHeldLines = 0x3D;   // reset held, command mode
constexpr std::uint8_t kResetHeldDataLines = 0x7D;

const std::vector<std::uint8_t> kInitSequence = {0xAE, 0x40, 0xA0, 0xC0, 0x81, 0x80, 0xA8,
                                                 0x3F, 0xAD, 0x81, 0xD5, 0x50, 0xD3, 0x00,
                                                 0xD9, 0x22, 0xDB, 0x35, 0xDC, 0x35, 0x30};

std::uint16_t index_of(unsigned row, unsigned column) {
    return static_cast<std::uint16_t>(row * DisplayModel::kRowBytes + column);
}

class DisplayModelTest : public ::testing::Test {
protected:
    void send(const std::vector<std::uint8_t>& bytes, std::uint8_t lines) {
        for (std::uint8_t b : bytes) display.exchange(b, lines);
    }
    void command(const std::vector<std::uint8_t>& bytes) { send(bytes, kCommandLines); }
    void data(const std::vector<std::uint8_t>& bytes) { send(bytes, kDataLines); }
    void address(std::uint8_t row, std::uint8_t column) {
        command({0xB0, row, static_cast<std::uint8_t>(column & 0x0F),
                 static_cast<std::uint8_t>(0x10 | (column >> 4))});
    }
    std::uint8_t at(unsigned row, unsigned column) const {
        return display.memory()[index_of(row, column)];
    }
    std::vector<std::uint8_t> memory() const {
        return {display.memory(), display.memory() + DisplayModel::kMemoryBytes};
    }

    DisplayModel display;
};

TEST_F(DisplayModelTest, PowerOnGivesADarkBlankPanelAtTheOrigin) {
    address(7, 9);
    data({0x12});
    command({0xAF, 0xE3});
    display.power_on();
    EXPECT_FALSE(display.is_on());
    EXPECT_EQ(display.write_position(), 0);
    EXPECT_EQ(display.unknown_command_bytes(), 0u);
    EXPECT_EQ(memory(), std::vector<std::uint8_t>(DisplayModel::kMemoryBytes, 0));
}

TEST_F(DisplayModelTest, AddressCommandPlacesTheWritePosition) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::uint16_t position;
    };
    const Case cases[] = {
        {{0xB0, 0x00, 0x00, 0x10}, index_of(0, 0)},
        {{0xB0, 0x05, 0x08, 0x14}, index_of(5, 72)},
        {{0xB0, 0x3F, 0x0F, 0x17}, index_of(63, 127)},
        {{0xB0, 0x40, 0x03, 0x10}, index_of(0, 3)},     // row 64: rows count modulo 64
        {{0xB0, 0xC8, 0x00, 0x12}, index_of(8, 32)},    // row 200
        {{0x14, 0x08, 0xB0, 0x05}, index_of(5, 72)},    // the three commands in any order
    };
    for (const Case& c : cases) {
        display.power_on();
        address(33, 99);  // somewhere else first: every part must be overwritten
        command(c.bytes);
        EXPECT_EQ(display.write_position(), c.position) << "first byte " << int{c.bytes[0]};
        EXPECT_EQ(display.unknown_command_bytes(), 0u);
    }
}

TEST_F(DisplayModelTest, ColumnCommandsEachChangeOnlyTheirOwnBits) {
    address(3, 0x25);
    command({0x0A});
    EXPECT_EQ(display.write_position(), index_of(3, 0x2A));
    command({0x13});
    EXPECT_EQ(display.write_position(), index_of(3, 0x3A));
    command({0xB0, 0x09});
    EXPECT_EQ(display.write_position(), index_of(9, 0x3A));
}

TEST_F(DisplayModelTest, DataBytesAdvanceAndGoOnAtTheNextRow) {
    address(2, 126);
    data({0x11, 0x22, 0x33, 0x44});
    EXPECT_EQ(at(2, 126), 0x11);
    EXPECT_EQ(at(2, 127), 0x22);
    EXPECT_EQ(at(3, 0), 0x33);
    EXPECT_EQ(at(3, 1), 0x44);
    EXPECT_EQ(display.write_position(), index_of(3, 2));
    EXPECT_EQ(at(2, 125), 0x00);
    EXPECT_EQ(at(3, 2), 0x00);
}

TEST_F(DisplayModelTest, DataPastTheLastByteGoesOnAtRowZero) {
    address(63, 127);
    data({0xAB, 0xCD});
    EXPECT_EQ(at(63, 127), 0xAB);
    EXPECT_EQ(at(0, 0), 0xCD);
    EXPECT_EQ(display.write_position(), index_of(0, 1));
}

TEST_F(DisplayModelTest, WholeScreenRunFromTheOriginFillsMemoryInOrder) {
    std::vector<std::uint8_t> screen(DisplayModel::kMemoryBytes);
    for (std::size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<std::uint8_t>(i * 7);
    address(0, 0);
    data(screen);
    EXPECT_EQ(memory(), screen);
    EXPECT_EQ(display.write_position(), 0);
}

TEST_F(DisplayModelTest, DisplayOnAndOffCommands) {
    EXPECT_FALSE(display.is_on());
    command({0xAF});
    EXPECT_TRUE(display.is_on());
    command({0xAE});
    EXPECT_FALSE(display.is_on());
}

TEST_F(DisplayModelTest, InitSequenceIsTakenWholeAndLeavesTheParserReady) {
    address(4, 4);
    command(kInitSequence);
    EXPECT_EQ(display.unknown_command_bytes(), 0u);
    EXPECT_FALSE(display.is_on());
    EXPECT_EQ(display.write_position(), index_of(4, 4));
    command({0xAF});
    EXPECT_TRUE(display.is_on());
}

// A parameter byte is never decoded as a command, whatever its value.
TEST_F(DisplayModelTest, EveryParameterCommandConsumesExactlyOneByte) {
    for (std::uint8_t opcode : {0x81, 0xA8, 0xAD, 0xB0, 0xD3, 0xD5, 0xD9, 0xDB, 0xDC}) {
        display.power_on();
        command({opcode, 0xAF});
        EXPECT_FALSE(display.is_on()) << "0xAF taken as a command after " << int{opcode};
        command({0xAF});
        EXPECT_TRUE(display.is_on()) << "second byte after " << int{opcode};
        EXPECT_EQ(display.unknown_command_bytes(), 0u);
    }
}

TEST_F(DisplayModelTest, UnknownCommandBytesAreCountedAndIgnored) {
    address(6, 50);
    data({0x77});
    address(6, 50);
    const std::vector<std::uint8_t> before = memory();
    command({0x18, 0x1F, 0x20, 0x41, 0xA1, 0xE3, 0xFF});
    EXPECT_EQ(display.unknown_command_bytes(), 7u);
    EXPECT_EQ(display.write_position(), index_of(6, 50));
    EXPECT_FALSE(display.is_on());
    EXPECT_EQ(memory(), before);
    command({0xAF});  // the parser is not thrown off
    EXPECT_TRUE(display.is_on());
}

TEST_F(DisplayModelTest, ResetTurnsOffRewindsDropsTheOpenCommandAndKeepsMemory) {
    address(10, 20);
    data({0x5A});
    command({0xAF, 0xB0});  // row parameter still to come
    display.lines_changed(kResetHeldLines);
    EXPECT_FALSE(display.is_on());
    EXPECT_EQ(display.write_position(), 0);
    display.lines_changed(kCommandLines);
    command({0xAF});
    EXPECT_TRUE(display.is_on()) << "0xAF was taken as the row of the dropped 0xB0";
    EXPECT_EQ(at(10, 20), 0x5A);
}

TEST_F(DisplayModelTest, BytesWhileResetIsHeldAreLost) {
    address(1, 1);
    send({0x99}, kResetHeldDataLines);
    send({0xAF, 0xE3, 0xB0, 0x07}, kResetHeldLines);
    EXPECT_EQ(at(1, 1), 0x00);
    EXPECT_EQ(display.write_position(), index_of(1, 1));
    EXPECT_FALSE(display.is_on());
    EXPECT_EQ(display.unknown_command_bytes(), 0u);
}

}  // namespace
