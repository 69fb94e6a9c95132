// Reads a recording of the bridge calls as the bus events the simulated bridge reports, so that
// a run recorded on the card is decoded and written by the same code as a simulated one. It
// follows the bridge's registers as the calls wrote and read them: the gate in the bridge
// control register, the line register, the bytes written to and read from the SPI data
// register. What the bridge did is known only from what the host read back:
//   - a byte's answer (MISO) is the next read of the SPI data register before another byte is
//     sent, the gate moves or the lines change; a byte never read back shows as FF, what the bus
//     floats;
//   - a gate opened or closed is taken to have followed unless the host's next call reads the
//     control register back and finds it where it was: then the transaction failed, as on a
//     stuck gate.
#pragma once

#include <cstdint>
#include <optional>

#include "bus_observer.h"
#include "trace_file.h"

namespace ch367bus {

class RecordedBus {
public:
    // `lines`: the line register before the first call.
    RecordedBus(BusObserver& observer, std::uint8_t lines) : observer_(observer), lines_(lines) {}

    // Follows the next call of the recording.
    void call(const TraceCall& call);
    // The recording ended: settles what waited for a read-back.
    void finish() { settle(nullptr); }

    // The transaction the latest call belonged to, numbered from 1 in the recording; outside
    // one, the next to come (the calls that prepare a transaction precede its gate).
    std::uint64_t transaction() const { return in_transaction_ ? sequence_ : sequence_ + 1; }

private:
    // Settles a byte or a gate change that waited for the call `next` (nullptr: none follows).
    void settle(const TraceCall* next);
    void settle_byte(std::uint8_t miso);
    // The register offset of a successful register call, if within the bridge's block.
    std::optional<std::uint8_t> offset_of(const TraceCall& call) const;
    void read(const TraceCall& call);
    void write(const TraceCall& call);
    void write_control(std::uint8_t value);

    enum class GateCheck : std::uint8_t { None, Opened, Closed };

    BusObserver& observer_;
    std::uint8_t lines_;
    std::uint64_t base_ = 0xD000;  // the I/O base until the recording says otherwise
    bool open_ = false;
    bool in_transaction_ = false;
    std::uint64_t sequence_ = 0;
    GateCheck gate_check_ = GateCheck::None;
    std::optional<std::uint8_t> unanswered_byte_;  // sent, its answer not read back yet
};

// Feeds a whole recording to `observer`, from the power-on state of the line register.
void decode_recording(const Trace& trace, BusObserver& observer);

}  // namespace ch367bus
