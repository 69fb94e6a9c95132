// Model of the pattern generator on chip select 0. It takes each command as the card's framing
// delivers it: an opcode frame, one frame per argument, then at most one data frame. A frame
// that does not fit its command, or a memory access past the end, sets an error bit in the
// status register; the model never fails otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ch367sim.h"
#include "pattern_generator_protocol.h"
#include "spi_device.h"

namespace ch367sim {

class PatternGenerator final : public SpiDevice {
public:
    PatternGenerator();

    void power_on() override;
    void frame_start() override;
    std::uint8_t exchange(std::uint8_t mosi, std::uint8_t lines) override;
    void frame_end() override;

    ch367sim_pattern_generator snapshot() const;

private:
    enum class Phase { Opcode, Arguments, WriteData, ReadData };

    void start_command(std::uint8_t opcode);
    void argument_complete();
    void begin_data_phase();
    void execute();
    void finish_command();
    void flag(std::uint16_t error_bit);
    std::uint32_t* data_word(std::uint64_t offset);
    std::uint8_t memory_byte(std::uint64_t offset);
    void store_memory_byte(std::uint64_t offset, std::uint8_t value);

    std::vector<std::uint32_t> ctrl_memory_;
    std::vector<std::uint32_t> out_memory_;
    std::uint32_t program_counter_ = 0;
    std::uint16_t status_ = 0;
    std::uint32_t io_lines_ = 0;
    std::array<std::uint8_t, 2> trigger_mode_{};
    std::uint64_t dds_resets_ = 0;

    // The command being received.
    Phase phase_ = Phase::Opcode;
    const PatternGeneratorCommand* command_ = nullptr;
    std::size_t argument_index_ = 0;
    std::array<std::uint32_t, 2> arguments_{};
    std::array<std::uint8_t, 4> frame_bytes_{};
    std::uint64_t frame_length_ = 0;
    std::uint64_t data_length_ = 0;          // bytes the data frame should carry
    std::array<std::uint8_t, 4> register_image_{};  // little-endian value a register read returns
};

}  // namespace ch367sim
