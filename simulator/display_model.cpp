#include "display_model.h"

#include <algorithm>
#include <iterator>

#include "bridge_registers.h"

namespace ch367sim {

namespace {

constexpr std::uint8_t kNoReply = 0xFF;  // the controller never drives the data-in line
constexpr std::uint8_t kRowMask = DisplayModel::kRows - 1;
constexpr std::uint16_t kColumnLowBits = 0x0F;
constexpr std::uint16_t kColumnHighBits = 0x70;

using Action = DisplayModel::Action;

// The command bytes the controller knows: a range of byte values, whether one parameter byte
// follows, and what the command does.
struct CommandByte {
    std::uint8_t first;
    std::uint8_t last;
    bool has_parameter;
    Action action;
};

constexpr CommandByte kCommands[] = {
    {0x00, 0x0F, false, Action::SetColumnLow},   // byte column, low 4 bits
    {0x10, 0x17, false, Action::SetColumnHigh},  // byte column, high 3 bits
    {0x30, 0x30, false, Action::Setting},        // discharge level
    {0x40, 0x40, false, Action::Setting},        // display start line 0
    {0x81, 0x81, true, Action::Setting},         // contrast
    {0xA0, 0xA0, false, Action::Setting},        // segment order
    {0xA8, 0xA8, true, Action::Setting},         // multiplex ratio
    {0xAD, 0xAD, true, Action::Setting},         // DC-DC control
    {0xAE, 0xAE, false, Action::DisplayOff},
    {0xAF, 0xAF, false, Action::DisplayOn},
    {0xB0, 0xB0, true, Action::SetRow},          // row address
    {0xC0, 0xC0, false, Action::Setting},        // common scan direction
    {0xD3, 0xD3, true, Action::Setting},         // display offset
    {0xD5, 0xD5, true, Action::Setting},         // clock divider and oscillator
    {0xD9, 0xD9, true, Action::Setting},         // discharge and precharge periods
    {0xDB, 0xDB, true, Action::Setting},         // common deselect level
    {0xDC, 0xDC, true, Action::Setting},         // segment low level
};

}  // namespace

static_assert(DisplayModel::kMemoryBytes == sizeof(ch367sim_card_display::memory));

DisplayModel::DisplayModel(ch367sim_card_display* state) : state_(state) {
    if (state_ != nullptr) {
        state_->write_position %= kMemoryBytes;  // a record from a file stays within memory
        return;
    }
    own_state_ = std::make_unique<ch367sim_card_display>();
    state_ = own_state_.get();
    power_on();
}

void DisplayModel::power_on() {
    *state_ = {};
    reset();
}

// Display memory is kept through a reset, as on the real controller; only power-on clears it.
void DisplayModel::reset() {
    state_->on = 0;
    state_->write_position = 0;
    state_->parameter_pending = 0;
}

void DisplayModel::lines_changed(std::uint8_t lines) {
    if ((lines & ch367bus::kDisplayResetReleased) == 0) reset();
}

std::uint8_t DisplayModel::exchange(std::uint8_t mosi, std::uint8_t lines) {
    if ((lines & ch367bus::kDisplayResetReleased) == 0) return kNoReply;  // in reset the byte is lost
    if ((lines & ch367bus::kDisplayDataMode) != 0) {
        state_->memory[state_->write_position] = mosi;
        // Past byte column 127 the next row, past the last byte of row 63 row 0.
        state_->write_position =
            static_cast<std::uint16_t>((state_->write_position + 1) % kMemoryBytes);
    } else {
        command_byte(mosi);
    }
    return kNoReply;
}

void DisplayModel::command_byte(std::uint8_t byte) {
    if (state_->parameter_pending != 0) {
        state_->parameter_pending = 0;
        perform(static_cast<Action>(state_->pending_action), byte);
        return;
    }
    const auto* command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                       [byte](const CommandByte& c) {
                                           return byte >= c.first && byte <= c.last;
                                       });
    if (command == std::end(kCommands)) {
        ++state_->unknown_command_bytes;
        return;
    }
    if (command->has_parameter) {
        state_->parameter_pending = 1;
        state_->pending_action = static_cast<std::uint8_t>(command->action);
        return;
    }
    perform(command->action, byte);
}

// `value` is the command byte itself, or the parameter byte of a command that takes one.
void DisplayModel::perform(Action action, std::uint8_t value) {
    std::uint16_t& position = state_->write_position;
    switch (action) {
        case Action::DisplayOff: state_->on = 0; break;
        case Action::DisplayOn: state_->on = 1; break;
        case Action::SetRow:
            // Rows above 63 count modulo 64, as the frame buffer counts them.
            position = static_cast<std::uint16_t>((value & kRowMask) * kRowBytes +
                                                  position % kRowBytes);
            break;
        case Action::SetColumnLow:
            position = static_cast<std::uint16_t>((position & ~kColumnLowBits) |
                                                  (value & kColumnLowBits));
            break;
        case Action::SetColumnHigh:
            position = static_cast<std::uint16_t>((position & ~kColumnHighBits) |
                                                  ((value << 4) & kColumnHighBits));
            break;
        case Action::Setting: break;
    }
}

}  // namespace ch367sim
