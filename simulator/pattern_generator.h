// Model of the pattern generator on chip select 0. It takes each command as the card's framing
// delivers it: an opcode frame, one frame per argument, then at most one data frame. A frame
// that does not fit its command, or a memory access past the end, sets an error bit in the
// status register; the model never fails otherwise.
#pragma once

#include <cstdint>
#include <memory>

#include "ch367sim.h"
#include "pattern_generator_protocol.h"
#include "spi_device.h"

namespace ch367sim {

class PatternGenerator final : public SpiDevice {
public:
    // Works on `state`, leaving it as it is; with none, on a record of its own at power-on.
    explicit PatternGenerator(ch367sim_card_pattern_generator* state = nullptr);

    void power_on() override;
    void frame_start() override;
    std::uint8_t exchange(std::uint8_t mosi, std::uint8_t lines) override;
    void frame_end() override;

    ch367sim_pattern_generator snapshot() const;

    // True between commands: the next frame starts a new command.
    bool between_commands() const { return phase() == Phase::Opcode; }
    // Ends a command whose sender went away between its frames, flagged as a frame error.
    void abandon_command();

private:
    enum class Phase : std::uint8_t { Opcode, Arguments, WriteData, ReadData };

    void start_command(std::uint8_t opcode);
    void argument_complete();
    void begin_data_phase();
    void execute();
    void finish_command();
    void flag(std::uint16_t error_bit);
    std::uint32_t* data_word(std::uint64_t offset);
    std::uint8_t memory_byte(std::uint64_t offset);
    void store_memory_byte(std::uint64_t offset, std::uint8_t value);
    Phase phase() const { return static_cast<Phase>(state_->phase); }
    void set_phase(Phase phase) { state_->phase = static_cast<std::uint8_t>(phase); }
    // The command being received (its opcode is in the state record), looked up once per opcode.
    const PatternGeneratorCommand& command();

    std::unique_ptr<ch367sim_card_pattern_generator> own_state_;
    ch367sim_card_pattern_generator* state_;
    const PatternGeneratorCommand* command_ = nullptr;  // cache of command()
};

}  // namespace ch367sim
