// A whole recording of the bridge calls decoded into the card's commands, with the command each
// call belongs to, for tools that report on single calls (a read the simulated card answered
// otherwise, the first call two recordings differ in) in the terms of the command log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "command_decoder.h"
#include "trace_file.h"

namespace ch367bus {

class RecordingCommands {
public:
    explicit RecordingCommands(const Trace& trace);

    // The decoding of the whole recording, ended.
    const CommandDecoder& decoder() const { return decoder_; }
    // Register accesses that no export call claimed, for the bus cost.
    std::uint64_t unattributed() const { return unattributed_; }
    // A time of the decoding (a command's time or end) in ns since the recording's first call.
    std::uint64_t since_first_call(std::uint64_t time) const { return time - first_call_; }
    // The command call `index` belongs to (the one its transaction is part of, or for a call
    // between transactions the one that comes next); nullptr when no command covers it.
    const DecodedCommand* command_of(std::size_t index) const;
    // "TEXT ; EXPORT", as the command log shows a command; "(no command)" for nullptr.
    std::string describe(const DecodedCommand* command) const;

private:
    CommandDecoder decoder_;
    std::uint64_t unattributed_ = 0;
    std::uint64_t first_call_ = 0;  // the time of the first call on the decoding's timebase
    std::vector<std::uint64_t> transactions_;  // per call, as RecordedBus::transaction()
};

}  // namespace ch367bus
