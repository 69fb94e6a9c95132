// Groups the bus units into the card's commands (for the command log) and the commands into the
// export calls that sent them (for the bus cost). The simulator sees only register accesses, so
// an export is recognised by the command pattern it leaves on the bus: pattern-generator opcodes
// name their exports, display traffic is named by its shape (reset pulse and set-up, row fill,
// one-byte write, whole screen, run). Exports that leave the same pattern share one name, their
// names joined by "/".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bus_units.h"
#include "pattern_command_framer.h"

namespace ch367bus {

// One command, or a run of identical ones (same text, same export) folded into one: then the
// sequences span the whole run, `time` is the first one's and `end` the last one's.
struct DecodedCommand {
    std::uint64_t first_sequence = 0;  // transactions of the command; 0 when it had none
    std::uint64_t last_sequence = 0;
    std::uint64_t time = 0;            // virtual time of its first unit
    std::uint64_t end = 0;             // virtual time at which its last unit ended
    std::string text;
    std::size_t call = 0;              // index into CommandDecoder::calls()
    std::uint64_t count = 1;           // commands folded into this one
    std::uint64_t latest_first_sequence = 0;  // first transaction of the latest of them
};

struct ExportCall {
    std::string name;
    std::uint64_t transactions = 0;
    std::uint64_t accesses = 0;
    std::uint64_t bytes = 0;
};

class CommandDecoder {
public:
    void restart() { *this = {}; }

    void add(const BusUnit& unit);
    // Ends the traffic: puts out what is still being gathered (a display data run, a command
    // missing frames).
    void finish();

    const std::vector<DecodedCommand>& commands() const { return commands_; }
    // Drops the commands decoded so far (a reader that took them needs them no more).
    void forget_commands() { commands_.clear(); }
    const std::vector<ExportCall>& calls() const { return calls_; }
    // Accesses of line-register writes that no export call has claimed yet.
    std::uint64_t unclaimed_accesses() const { return held_accesses_; }

private:
    // What the current call still takes.
    enum class Stage {
        Done,              // nothing more
        PatternCommand,    // frames of a pattern-generator command
        Initialize,        // DioInitialize after the bridge opened: line write, then 'i'
        DisplayAddressed,  // a display write: address sent, data bracket next
        DisplayData,       // a display write: data frames until the bracket closes
        Setup,             // DioSetupOLED: everything on the display until 0xAF
    };
    // Consecutive data frames to the display, logged as one line.
    struct DataRun {
        bool open = false;
        std::uint64_t first_sequence = 0, last_sequence = 0, time = 0, end = 0;
        std::uint64_t bytes = 0, frames = 0;
        bool uniform = true;  // every byte equal to head[0]
        std::vector<std::uint8_t> head;
    };
    // Where a display write started; with its data run this names its export.
    struct DisplayAddress {
        std::uint8_t row = 0, column = 0;
    };

    void transaction(const BusUnit& unit, bool after_pause);
    void pattern_frame(const BusUnit& unit, bool after_pause);
    void display_frame(const BusUnit& unit);
    void display_data(const BusUnit& unit);
    void lines(const BusUnit& unit);
    void refused(const BusUnit& unit);
    void end_refused_run();
    void name_display_write();
    void flush_data_run();

    void start_call(std::string name, Stage stage);
    void charge(std::size_t call, const BusUnit& unit);
    void charge(const BusUnit& unit) { charge(current_, unit); }
    void log(const BusUnit& unit, std::string text);
    void log(std::uint64_t first, std::uint64_t last, std::uint64_t time, std::uint64_t end,
             std::string text, std::size_t call);

    std::vector<DecodedCommand> commands_;
    std::vector<ExportCall> calls_;
    std::size_t current_ = 0;
    Stage stage_ = Stage::Done;
    std::uint64_t held_accesses_ = 0;
    bool pause_just_ended_ = false;  // 'p' as the first half of DioWriteCurrentIO

    PatternCommandFramer framer_;
    std::size_t framer_call_ = 0;
    DataRun run_;
    std::size_t run_call_ = 0;
    DisplayAddress address_;
    // Consecutive accesses refused on a closed bridge, logged as one line.
    std::uint64_t refused_count_ = 0;
    std::uint64_t refused_time_ = 0;
    std::uint64_t refused_end_ = 0;
};

}  // namespace ch367bus
