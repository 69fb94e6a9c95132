#include "recording_commands.h"

#include <algorithm>

#include "bridge_registers.h"
#include "bus_decoding.h"
#include "recorded_bus.h"

namespace ch367bus {

RecordingCommands::RecordingCommands(const Trace& trace) {
    BusDecoding bus({.commands = true}, kPowerOnLines, 0);
    RecordedBus recorded(bus, kPowerOnLines);
    transactions_.reserve(trace.calls.size());
    for (const TraceCall& call : trace.calls) {
        recorded.call(call);
        transactions_.push_back(recorded.transaction());
    }
    recorded.finish();
    decoder_ = bus.ended();
    unattributed_ = bus.unattributed(decoder_);
    // RecordedBus puts each call at its recorded time, from the timebase's start on.
    first_call_ = BusTimeline::kStart + (trace.calls.empty() ? 0 : trace.calls.front().time_ns);
}

// Commands with transactions come in the order of their transactions: the first whose last
// transaction reaches the call's covers it, unless it starts after it.
const DecodedCommand* RecordingCommands::command_of(std::size_t index) const {
    if (index >= transactions_.size()) return nullptr;
    const std::uint64_t transaction = transactions_[index];
    const auto& commands = decoder_.commands();
    const auto found = std::find_if(commands.begin(), commands.end(), [&](const DecodedCommand& c) {
        return c.first_sequence != 0 && c.last_sequence >= transaction;
    });
    if (found == commands.end() || found->first_sequence > transaction) return nullptr;
    return &*found;
}

std::string RecordingCommands::describe(const DecodedCommand* command) const {
    if (command == nullptr) return "(no command)";
    return command->text + " ; " + decoder_.calls()[command->call].name;
}

}  // namespace ch367bus
