// Reassembles the pattern generator's commands from the chip-select frames on device 0, the way
// the device itself takes them (opcode frame, one frame per argument, at most one data frame),
// and describes each one for the command log, e.g. "pg w start=16 words=2 data[8] = ...".
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "bus_units.h"
#include "pattern_generator_protocol.h"

namespace ch367bus {

class PatternCommandFramer {
public:
    enum class Outcome {
        Started,      // the frame was an opcode; more frames follow
        Continued,    // an argument frame, or an empty frame within it; more frames follow
        Completed,    // the command is whole (possibly with its opcode frame alone)
        Broken,       // a frame that does not fit the command ended it
        NotACommand,  // a frame that is no opcode, outside any command
    };
    struct Step {
        Outcome outcome;
        bool started;                             // the frame was the command's opcode
        const PatternGeneratorCommand* command;   // the command it belongs to, if any
    };

    void restart() { *this = {}; }

    // Takes one transaction on device 0.
    Step add(const BusUnit& frame);
    // Ends a command still waiting for frames, as at the end of a recording.
    void abandon();

    bool in_command() const { return command_ != nullptr; }
    const PatternGeneratorCommand* command() const { return command_; }
    // The last command (or stray frame) that ended, for the log.
    const std::string& text() const { return text_; }
    std::uint64_t first_sequence() const { return first_sequence_; }
    std::uint64_t last_sequence() const { return last_sequence_; }
    std::uint64_t time() const { return time_; }
    std::uint64_t end() const { return end_; }  // where its last frame ended

private:
    Step start(const BusUnit& frame);
    Step argument(const BusUnit& frame);
    Step data(const BusUnit& frame);
    Step end(Outcome outcome, const std::string& detail);
    void open_data_phase();
    std::string arguments_text() const;

    const PatternGeneratorCommand* command_ = nullptr;
    std::size_t argument_index_ = 0;
    std::array<std::uint32_t, 2> arguments_{};
    std::uint64_t data_length_ = 0;
    bool fault_ = false;  // a frame of the command met a bus-gate fault
    std::uint64_t first_sequence_ = 0;
    std::uint64_t last_sequence_ = 0;
    std::uint64_t time_ = 0;
    std::uint64_t end_ = 0;
    std::string text_;
};

}  // namespace ch367bus
