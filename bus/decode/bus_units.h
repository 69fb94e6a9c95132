// Cuts the stream of bus events into units that the command decoder reads: one per SPI
// transaction, per line-register write made outside a transaction, per write of the address
// low register, per open and per close of the bridge, and per access refused on a closed bridge. Every register access is counted in
// exactly one unit: a transaction's unit holds the accesses from the end of the unit before it
// up to the line-register write that deselects after the bus closed (the whole register
// sequence of one SPI transaction); the other units hold the accesses since the unit before.
// A unit ends where its last event ends on the bus's timebase.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "bridge_registers.h"
#include "bus_timeline.h"

namespace ch367bus {

struct BusUnit {
    enum class Kind : std::uint8_t { Transaction, Lines, AddressLow, Opened, Closed, Refused };
    // Bytes of each direction kept for the log; the count says how many there were.
    static constexpr std::size_t kKeptBytes = 32;

    Kind kind = Kind::Transaction;
    std::uint64_t time = 0;      // virtual time: chip select falling, or the event itself
    std::uint64_t end = 0;       // virtual time at which its last event ended
    std::uint64_t accesses = 0;  // register accesses counted in this unit

    // Transaction.
    std::uint64_t sequence = 0;  // its number in the simulator's transaction log
    std::uint8_t device = kNoDevice;  // lowest selected chip select
    bool success = false;        // the gate followed both the open and the close
    std::uint64_t count = 0;     // bytes shifted
    bool uniform = true;         // every byte sent equals the first
    std::array<std::uint8_t, kKeptBytes> out{};
    std::array<std::uint8_t, kKeptBytes> in{};

    // Transaction: the line register while the bytes moved. Lines: the value written.
    // AddressLow: the value written.
    std::uint8_t lines = 0;
    std::uint8_t lines_before = 0;  // Lines: the value it replaced
    bool opened = false;            // Opened: the open succeeded

    std::size_t kept() const { return count < kKeptBytes ? count : kKeptBytes; }
};

class BusUnitAssembler {
public:
    using Sink = std::function<void(const BusUnit&)>;
    // `timeline`: the bus's timebase, which the caller moves past each event before telling it
    // here, so that its time then is the event's end.
    BusUnitAssembler(const BusTimeline& timeline, Sink sink)
        : timeline_(timeline), sink_(std::move(sink)) {}

    void restart(std::uint8_t lines);

    void device_opened(bool success, std::uint64_t time);
    void device_closed(std::uint64_t time);
    void register_accessed(bool is_write, std::uint8_t offset, std::uint8_t value,
                           std::uint64_t time);
    // A register access the closed bridge refused: a unit of its own, of that one access.
    void access_refused(std::uint64_t time);
    void transaction_begun(std::uint64_t sequence, std::uint64_t time);
    void transaction_ended(bool success);
    void lines_written(std::uint8_t before, std::uint8_t after, std::uint64_t time);
    void byte_shifted(std::uint8_t mosi, std::uint8_t miso);

    // Accesses that belong to no unit yet (made after the last one).
    std::uint64_t pending_accesses() const { return pending_; }

private:
    enum class State { Idle, InTransaction, AwaitingDeselect };

    // Hands over the transaction still waiting for its deselect, before another unit starts.
    void finish();
    void emit_transaction();
    void emit(BusUnit unit);
    // A unit of one event outside transactions: `value` is the byte written (AddressLow).
    void emit_event(BusUnit::Kind kind, std::uint64_t time, std::uint8_t value = 0,
                    bool opened = false);

    const BusTimeline& timeline_;
    Sink sink_;
    State state_ = State::Idle;
    BusUnit current_{};
    std::uint64_t pending_ = 0;
    std::uint8_t lines_ = 0;
};

}  // namespace ch367bus
