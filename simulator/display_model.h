// Model of the 256 x 64 grayscale OLED controller on chip select 1.
//
// The controller follows the two display lines of the line register: bit 6 picks data (1) or
// command (0) for each byte, bit 7 low holds the controller in reset. Command bytes are decoded
// one at a time, so a command and its parameter may arrive in one frame or in several; data
// bytes go into display memory at the write position, which then moves on by one byte column.
// The controller drives nothing back: every exchange answers 0xFF, as the floating bus does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ch367sim.h"
#include "spi_device.h"

namespace ch367sim {

class DisplayModel final : public SpiDevice {
public:
    static constexpr std::size_t kRows = 64;
    static constexpr std::size_t kRowBytes = 128;  // two pixels per byte
    static constexpr std::size_t kMemoryBytes = kRows * kRowBytes;

    // What a command byte does (the table of command bytes is in the source file).
    enum class Action : std::uint8_t {
        DisplayOff,
        DisplayOn,
        SetRow,           // its parameter is the row
        SetColumnLow,     // the byte's low 4 bits are the low 4 bits of the byte column
        SetColumnHigh,    // the byte's low 3 bits are the high 3 bits of the byte column
        Setting,          // a panel setting the model accepts and does not render
    };

    // Works on `state`, leaving it as it is; with none, on a record of its own at power-on.
    explicit DisplayModel(ch367sim_card_display* state = nullptr);

    void power_on() override;
    std::uint8_t exchange(std::uint8_t mosi, std::uint8_t lines) override;
    void lines_changed(std::uint8_t lines) override;

    // 64 rows of 128 bytes, row 0 first; byte column c holds pixel 2c in its high nibble and
    // pixel 2c + 1 in its low nibble.
    const std::uint8_t* memory() const { return state_->memory; }
    bool is_on() const { return state_->on != 0; }
    // Index of the byte the next data byte goes to: row x 128 + byte column.
    std::uint16_t write_position() const { return state_->write_position; }
    // Command bytes that are no command of this controller; they were ignored.
    std::uint64_t unknown_command_bytes() const { return state_->unknown_command_bytes; }

private:
    void reset();
    void command_byte(std::uint8_t byte);
    void perform(Action action, std::uint8_t value);

    std::unique_ptr<ch367sim_card_display> own_state_;
    // parameter_pending: the last command byte awaits its parameter byte, for pending_action.
    ch367sim_card_display* state_;
};

}  // namespace ch367sim
