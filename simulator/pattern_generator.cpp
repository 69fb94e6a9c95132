#include "pattern_generator.h"

#include <algorithm>

namespace ch367sim {

namespace {

using Data = PatternGeneratorCommand::Data;

constexpr std::uint8_t kWordBytes = kPatternGeneratorWordBytes;

constexpr std::uint16_t kRunBits =
    CH367SIM_PG_STATUS_ARMED | CH367SIM_PG_STATUS_RUNNING | CH367SIM_PG_STATUS_PAUSED |
    CH367SIM_PG_STATUS_HALTED;

}  // namespace

PatternGenerator::PatternGenerator()
    : ctrl_memory_(CH367SIM_PG_MEMORY_WORDS), out_memory_(CH367SIM_PG_MEMORY_WORDS) {
    power_on();
}

void PatternGenerator::power_on() {
    std::fill(ctrl_memory_.begin(), ctrl_memory_.end(), 0);
    std::fill(out_memory_.begin(), out_memory_.end(), 0);
    program_counter_ = 0;
    status_ = CH367SIM_PG_STATUS_HALTED;
    io_lines_ = 0;
    trigger_mode_ = {};
    dds_resets_ = 0;
    finish_command();
    frame_length_ = 0;
}

void PatternGenerator::frame_start() { frame_length_ = 0; }

std::uint8_t PatternGenerator::exchange(std::uint8_t mosi, std::uint8_t /*lines*/) {
    const std::uint64_t position = frame_length_++;
    switch (phase_) {
        case Phase::Opcode:
        case Phase::Arguments:
            if (position < frame_bytes_.size()) frame_bytes_[position] = mosi;
            return 0x00;
        case Phase::WriteData:
            if (position < data_length_) store_memory_byte(position, mosi);
            return 0x00;
        case Phase::ReadData:
            if (position >= data_length_) return 0x00;
            if (command_->register_bytes != 0) return register_image_[position];
            return memory_byte(position);
    }
    return 0x00;
}

// A frame ends the piece of the command it carried. Empty frames (a chip select pulsed with no
// clock) carry nothing and are ignored.
void PatternGenerator::frame_end() {
    if (frame_length_ == 0) return;
    switch (phase_) {
        case Phase::Opcode:
            if (frame_length_ != 1) {
                flag(CH367SIM_PG_STATUS_FRAME_ERROR);
                return;
            }
            start_command(frame_bytes_[0]);
            return;
        case Phase::Arguments:
            if (frame_length_ != command_->argument_width) {
                flag(CH367SIM_PG_STATUS_FRAME_ERROR);
                finish_command();
                return;
            }
            argument_complete();
            return;
        case Phase::WriteData:
        case Phase::ReadData:
            if (frame_length_ != data_length_) flag(CH367SIM_PG_STATUS_FRAME_ERROR);
            finish_command();
            return;
    }
}

void PatternGenerator::start_command(std::uint8_t opcode) {
    const PatternGeneratorCommand* found = find_pattern_generator_command(opcode);
    if (found == nullptr) {
        flag(CH367SIM_PG_STATUS_FRAME_ERROR);
        return;
    }
    command_ = found;
    argument_index_ = 0;
    if (command_->argument_count > 0) {
        phase_ = Phase::Arguments;
    } else {
        begin_data_phase();
    }
}

void PatternGenerator::argument_complete() {
    arguments_[argument_index_++] =
        little_endian_value(frame_bytes_.data(), command_->argument_width);
    if (argument_index_ == command_->argument_count) begin_data_phase();
}

// Executes the command (a read latches the register it returns, a memory transfer checks its
// range), then waits for the data frame, if the command has one of nonzero length.
void PatternGenerator::begin_data_phase() {
    execute();
    data_length_ = data_frame_length(*command_, arguments_[1]);
    if (data_length_ == 0) {
        finish_command();  // no data frame: the next frame starts a new command
        return;
    }
    phase_ = command_->data == Data::Write ? Phase::WriteData : Phase::ReadData;
}

void PatternGenerator::execute() {
    const auto latch = [this](std::uint32_t value) {
        for (std::size_t i = 0; i < register_image_.size(); ++i) {
            register_image_[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    const std::uint32_t memory_words = CH367SIM_PG_MEMORY_WORDS;
    switch (command_->opcode) {
        case ',': latch(CH367SIM_PG_DATA_LINES); break;
        case 'g': latch(program_counter_); break;
        case 'n': latch(io_lines_); break;
        case 's': latch(status_); break;
        case 'c':
        case 'q':
        case 'e':
        case 'w':
            if (std::uint64_t{arguments_[0]} + arguments_[1] > memory_words) {
                flag(CH367SIM_PG_STATUS_RANGE_ERROR);
            }
            break;
        case 'Z': std::fill(out_memory_.begin(), out_memory_.end(), 0); break;
        case 'z': std::fill(ctrl_memory_.begin(), ctrl_memory_.end(), 0); break;
        case 'a':
            status_ = static_cast<std::uint16_t>((status_ & ~kRunBits) | CH367SIM_PG_STATUS_ARMED);
            break;
        case 'r':
            if (status_ & (CH367SIM_PG_STATUS_ARMED | CH367SIM_PG_STATUS_PAUSED)) {
                status_ =
                    static_cast<std::uint16_t>((status_ & ~kRunBits) | CH367SIM_PG_STATUS_RUNNING);
                io_lines_ = out_memory_[program_counter_ % memory_words];
            }
            break;
        case 'p':
            status_ = static_cast<std::uint16_t>((status_ & ~kRunBits) | CH367SIM_PG_STATUS_PAUSED);
            break;
        case 'h':
            status_ = static_cast<std::uint16_t>((status_ & ~kRunBits) | CH367SIM_PG_STATUS_HALTED);
            program_counter_ = 0;
            break;
        case 'i': ++dds_resets_; break;
        case 'j': {
            const auto step = static_cast<std::int32_t>(arguments_[0]);
            if (step <= 0) {
                flag(CH367SIM_PG_STATUS_FRAME_ERROR);
                break;
            }
            program_counter_ = static_cast<std::uint32_t>(
                (std::uint64_t{program_counter_} + static_cast<std::uint32_t>(step)) % memory_words);
            io_lines_ = out_memory_[program_counter_];
            break;
        }
        case 'm': io_lines_ = arguments_[0]; break;
        case 't':
            trigger_mode_ = {static_cast<std::uint8_t>(arguments_[0]),
                             static_cast<std::uint8_t>(arguments_[1])};
            break;
        case 'x': program_counter_ = arguments_[0]; break;
        default: break;
    }
}

void PatternGenerator::finish_command() {
    phase_ = Phase::Opcode;
    command_ = nullptr;
    argument_index_ = 0;
    data_length_ = 0;
}

void PatternGenerator::flag(std::uint16_t error_bit) {
    status_ = static_cast<std::uint16_t>(status_ | error_bit);
}

// The word that byte `offset` of a memory transfer's data frame falls in: start + offset / 4 of
// the control memory ('c', 'w') or the output memory ('q', 'e'); nullptr past the end, which was
// flagged when the command started.
std::uint32_t* PatternGenerator::data_word(std::uint64_t offset) {
    const std::uint64_t word = std::uint64_t{arguments_[0]} + offset / kWordBytes;
    if (word >= CH367SIM_PG_MEMORY_WORDS) return nullptr;
    const std::uint8_t opcode = command_->opcode;
    return &((opcode == 'c' || opcode == 'w') ? ctrl_memory_ : out_memory_)[word];
}

// Words travel little-endian: byte `offset` is byte offset % 4 of its word.
std::uint8_t PatternGenerator::memory_byte(std::uint64_t offset) {
    const std::uint32_t* word = data_word(offset);
    if (word == nullptr) return 0x00;
    return static_cast<std::uint8_t>(*word >> (8 * (offset % kWordBytes)));
}

void PatternGenerator::store_memory_byte(std::uint64_t offset, std::uint8_t value) {
    std::uint32_t* word = data_word(offset);
    if (word == nullptr) return;
    const unsigned shift = 8 * static_cast<unsigned>(offset % kWordBytes);
    *word = (*word & ~(0xFFu << shift)) | (std::uint32_t{value} << shift);
}

ch367sim_pattern_generator PatternGenerator::snapshot() const {
    return {ctrl_memory_.data(), out_memory_.data(), program_counter_, status_, io_lines_,
            {trigger_mode_[0], trigger_mode_[1]}, dds_resets_};
}

}  // namespace ch367sim
