#include "pattern_generator.h"

#include <algorithm>
#include <iterator>

namespace ch367sim {

namespace {

using Data = ch367bus::PatternGeneratorCommand::Data;

constexpr std::uint8_t kWordBytes = ch367bus::kPatternGeneratorWordBytes;

constexpr std::uint16_t kRunBits =
    CH367SIM_PG_STATUS_ARMED | CH367SIM_PG_STATUS_RUNNING | CH367SIM_PG_STATUS_PAUSED |
    CH367SIM_PG_STATUS_HALTED;

}  // namespace

PatternGenerator::PatternGenerator(ch367sim_card_pattern_generator* state) : state_(state) {
    if (state_ != nullptr) {
        // A record from a file: a command state this model cannot have left starts afresh.
        if (state_->phase > static_cast<std::uint8_t>(Phase::ReadData) ||
            (phase() != Phase::Opcode && ch367bus::find_pattern_generator_command(state_->opcode) == nullptr)) {
            finish_command();
        }
        return;
    }
    own_state_ = std::make_unique<ch367sim_card_pattern_generator>();
    state_ = own_state_.get();
    power_on();
}

void PatternGenerator::power_on() {
    *state_ = {};
    state_->status = CH367SIM_PG_STATUS_HALTED;
    apply(power_on_settings);
    finish_command();
}

const ch367bus::PatternGeneratorCommand& PatternGenerator::command() {
    if (command_ == nullptr || command_->opcode != state_->opcode) {
        command_ = ch367bus::find_pattern_generator_command(state_->opcode);
    }
    return *command_;  // phases past the opcode hold a known opcode
}

// A command sees the run where it stands when its opcode frame starts.
void PatternGenerator::frame_start() {
    state_->frame_length = 0;
    if (phase() == Phase::Opcode) bring_up_to_date();
}

std::uint8_t PatternGenerator::exchange(std::uint8_t mosi, std::uint8_t /*lines*/) {
    const std::uint64_t position = state_->frame_length++;
    switch (phase()) {
        case Phase::Opcode:
        case Phase::Arguments:
            if (position < sizeof state_->frame_bytes) state_->frame_bytes[position] = mosi;
            return 0x00;
        case Phase::WriteData:
            if (position < state_->data_length) store_memory_byte(position, mosi);
            return 0x00;
        case Phase::ReadData:
            if (position >= state_->data_length) return 0x00;
            if (command().register_bytes != 0) return state_->register_image[position];
            return memory_byte(position);
    }
    return 0x00;
}

// A frame ends the piece of the command it carried. Empty frames (a chip select pulsed with no
// clock) carry nothing and are ignored.
void PatternGenerator::frame_end() {
    const std::uint64_t length = state_->frame_length;
    if (length == 0) return;
    switch (phase()) {
        case Phase::Opcode:
            if (length != 1) {
                flag(CH367SIM_PG_STATUS_FRAME_ERROR);
                return;
            }
            start_command(state_->frame_bytes[0]);
            return;
        case Phase::Arguments:
            if (length != command().argument_width) {
                flag(CH367SIM_PG_STATUS_FRAME_ERROR);
                finish_command();
                return;
            }
            argument_complete();
            return;
        case Phase::WriteData:
        case Phase::ReadData:
            if (length != state_->data_length) flag(CH367SIM_PG_STATUS_FRAME_ERROR);
            if (state_->opcode == 'e') note_output_written(std::min(length, state_->data_length));
            finish_command();
            return;
    }
}

void PatternGenerator::abandon_command() {
    if (between_commands()) return;
    flag(CH367SIM_PG_STATUS_FRAME_ERROR);
    finish_command();
}

void PatternGenerator::start_command(std::uint8_t opcode) {
    const ch367bus::PatternGeneratorCommand* found = ch367bus::find_pattern_generator_command(opcode);
    if (found == nullptr) {
        flag(CH367SIM_PG_STATUS_FRAME_ERROR);
        return;
    }
    command_ = found;
    state_->opcode = opcode;
    state_->argument_index = 0;
    if (found->argument_count > 0) {
        set_phase(Phase::Arguments);
    } else {
        begin_data_phase();
    }
}

void PatternGenerator::argument_complete() {
    const ch367bus::PatternGeneratorCommand& current = command();
    state_->arguments[state_->argument_index++ % 2] =
        ch367bus::little_endian_value(state_->frame_bytes, current.argument_width);
    if (state_->argument_index >= current.argument_count) begin_data_phase();
}

// Executes the command (a read latches the register it returns, a memory transfer checks its
// range), then waits for the data frame, if the command has one of nonzero length.
void PatternGenerator::begin_data_phase() {
    execute();
    const ch367bus::PatternGeneratorCommand& current = command();
    state_->data_length = ch367bus::data_frame_length(current, state_->arguments[1]);
    if (state_->data_length == 0) {
        finish_command();  // no data frame: the next frame starts a new command
        return;
    }
    set_phase(current.data == Data::Write ? Phase::WriteData : Phase::ReadData);
}

void PatternGenerator::execute() {
    const auto latch = [this](std::uint32_t value) {
        for (std::size_t i = 0; i < sizeof state_->register_image; ++i) {
            state_->register_image[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    const std::uint32_t memory_words = CH367SIM_PG_MEMORY_WORDS;
    ch367sim_card_pattern_generator& s = *state_;
    const std::uint32_t* arguments = s.arguments;
    switch (s.opcode) {
        case ',': latch(CH367SIM_PG_DATA_LINES); break;
        case 'g': latch(s.program_counter); break;
        case 'n': latch(s.io_lines); break;
        case 's': latch(s.status); break;
        case 'c':
        case 'q':
        case 'e':
        case 'w':
            if (std::uint64_t{arguments[0]} + arguments[1] > memory_words) {
                flag(CH367SIM_PG_STATUS_RANGE_ERROR);
            }
            break;
        case 'Z':
            std::fill(std::begin(s.out_memory), std::end(s.out_memory), 0u);
            s.written_end = 0;
            break;
        case 'z': std::fill(std::begin(s.ctrl_memory), std::end(s.ctrl_memory), 0u); break;
        case 'a':
            s.status = static_cast<std::uint16_t>((s.status & ~kRunBits) | CH367SIM_PG_STATUS_ARMED);
            break;
        case 'r':
            if (s.status & (CH367SIM_PG_STATUS_ARMED | CH367SIM_PG_STATUS_PAUSED)) {
                s.status =
                    static_cast<std::uint16_t>((s.status & ~kRunBits) | CH367SIM_PG_STATUS_RUNNING);
                set_io_lines(s.out_memory[s.program_counter % memory_words]);
                start_run();
            }
            break;
        case 'p':
            s.status = static_cast<std::uint16_t>((s.status & ~kRunBits) | CH367SIM_PG_STATUS_PAUSED);
            break;
        case 'h':
            s.status = static_cast<std::uint16_t>((s.status & ~kRunBits) | CH367SIM_PG_STATUS_HALTED);
            s.program_counter = 0;
            break;
        case 'i': ++s.dds_resets; break;
        case 'j': {
            const auto step = static_cast<std::int32_t>(arguments[0]);
            if (step <= 0) {
                flag(CH367SIM_PG_STATUS_FRAME_ERROR);
                break;
            }
            s.program_counter = static_cast<std::uint32_t>(
                (std::uint64_t{s.program_counter} + static_cast<std::uint32_t>(step)) % memory_words);
            set_io_lines(s.out_memory[s.program_counter]);
            restart_run_if_running();
            break;
        }
        case 'm': set_io_lines(arguments[0]); break;
        case 't':
            s.trigger_mode[0] = static_cast<std::uint8_t>(arguments[0]);
            s.trigger_mode[1] = static_cast<std::uint8_t>(arguments[1]);
            break;
        case 'x':
            s.program_counter = arguments[0];
            restart_run_if_running();
            break;
        default: break;
    }
}

void PatternGenerator::finish_command() {
    set_phase(Phase::Opcode);
    state_->argument_index = 0;
    state_->data_length = 0;
}

// A write of the output memory's data frame: `bytes` of it arrived. The default pattern length
// follows the highest word written.
void PatternGenerator::note_output_written(std::uint64_t bytes) {
    const std::uint64_t start = state_->arguments[0];
    const std::uint64_t end = std::min<std::uint64_t>(start + (bytes + kWordBytes - 1) / kWordBytes,
                                                      CH367SIM_PG_MEMORY_WORDS);
    if (bytes > 0 && end > state_->written_end) state_->written_end = static_cast<std::uint32_t>(end);
}

void PatternGenerator::set_io_lines(std::uint32_t value) {
    if (observer_ != nullptr && value != state_->io_lines) observer_->io_lines_changed(value, 0);
    state_->io_lines = value;
}

void PatternGenerator::flag(std::uint16_t error_bit) {
    state_->status = static_cast<std::uint16_t>(state_->status | error_bit);
}

// The word that byte `offset` of a memory transfer's data frame falls in: start + offset / 4 of
// the control memory ('c', 'w') or the output memory ('q', 'e'); nullptr past the end, which was
// flagged when the command started.
std::uint32_t* PatternGenerator::data_word(std::uint64_t offset) {
    const std::uint64_t word = std::uint64_t{state_->arguments[0]} + offset / kWordBytes;
    if (word >= CH367SIM_PG_MEMORY_WORDS) return nullptr;
    const std::uint8_t opcode = state_->opcode;
    return &((opcode == 'c' || opcode == 'w') ? state_->ctrl_memory : state_->out_memory)[word];
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
    const ch367sim_card_pattern_generator& s = *state_;
    return {s.ctrl_memory, s.out_memory, s.program_counter, s.status, s.io_lines,
            {s.trigger_mode[0], s.trigger_mode[1]}, s.dds_resets};
}

}  // namespace ch367sim
