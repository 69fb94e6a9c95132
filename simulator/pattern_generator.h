// Model of the pattern generator on chip select 0. It takes each command as the card's framing
// delivers it: an opcode frame, one frame per argument, then at most one data frame. A frame
// that does not fit its command, or a memory access past the end, sets an error bit in the
// status register; the model never fails otherwise. While running it plays its pattern in time
// (pattern_generator_run.cpp): the run is brought up to date when it is looked at, at the start
// of each command and by the control API, so nothing costs anything while nothing runs.
#pragma once

#include <cstdint>
#include <memory>

#include "bus_observer.h"
#include "ch367sim.h"
#include "pattern_generator_protocol.h"
#include "run_settings.h"
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

    // The settings power-on gives the run model.
    RunSettings power_on_settings;
    // Receives each change of the I/O lines and the time a run plays (nullptr: none).
    void set_observer(ch367bus::BusObserver* observer) { observer_ = observer; }

    // The run model (pattern_generator_run.cpp).
    // Plays what a running pattern has played since it was last brought up to date.
    void bring_up_to_date() {
        if (state_->status & CH367SIM_PG_STATUS_RUNNING) play_until(elapsed_samples());
    }
    ch367sim_pg_run_settings run_settings() const;
    RunSettings current_settings() const {
        return {state_->clock, state_->sample_rate, state_->length, state_->repeat != 0};
    }
    void apply(const RunSettings& settings);
    bool set_clock(int clock);
    bool set_sample_rate(std::uint64_t hz);
    bool set_length(std::uint64_t words);
    void set_repeat(bool repeat);
    // Moves the test clock on; returns the samples of a running pattern that played. With a
    // command under way on the card (not `idle`) they play when the next command starts: a
    // command sees the run where it stood when it began, in test time as in real time.
    std::uint64_t advance(std::uint64_t samples, bool idle);
    std::uint32_t pattern_length() const;

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
    void note_output_written(std::uint64_t bytes);
    void set_io_lines(std::uint32_t value);
    // The run model's clock: monotonic ns or test samples, and the samples since the run began.
    std::uint64_t clock_now() const;
    std::uint64_t elapsed_samples() const;
    // The current run starts afresh from the program counter now (a run began, its program
    // counter or its settings changed).
    void start_run();
    void restart_run_if_running();
    std::uint64_t play_until(std::uint64_t samples);
    std::uint32_t* data_word(std::uint64_t offset);
    std::uint8_t memory_byte(std::uint64_t offset);
    void store_memory_byte(std::uint64_t offset, std::uint8_t value);
    Phase phase() const { return static_cast<Phase>(state_->phase); }
    void set_phase(Phase phase) { state_->phase = static_cast<std::uint8_t>(phase); }
    // The command being received (its opcode is in the state record), looked up once per opcode.
    const ch367bus::PatternGeneratorCommand& command();

    std::unique_ptr<ch367sim_card_pattern_generator> own_state_;
    ch367sim_card_pattern_generator* state_;
    const ch367bus::PatternGeneratorCommand* command_ = nullptr;  // cache of command()
    ch367bus::BusObserver* observer_ = nullptr;
};

}  // namespace ch367sim
