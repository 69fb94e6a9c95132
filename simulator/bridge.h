// The simulated CH367 bridge: its register file, the bus gate, the SPI master and the six chip
// selects, with the transaction log and fault injection the control API exposes. Its registers,
// transaction state and counters live in the card's state record (`ch367sim_card_bridge`), which
// may be shared with other processes; the devices attached, the faults and the logs belong to
// this process.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "bridge_registers.h"
#include "bus_observer.h"
#include "ch367sim.h"
#include "spi_device.h"

namespace ch367sim {

class Bridge {
public:
    static constexpr std::size_t kDeviceCount = 6;
    static constexpr std::size_t kMaxLoggedTransactions = 1'000'000;
    static constexpr std::size_t kMaxTracedAccesses = 16'000'000;

    // Works on `state`, leaving it as it is; with none, on a record of its own at power-on.
    explicit Bridge(ch367sim_card_bridge* state = nullptr);

    void reset();
    // Ends what a process that went away left on the bus: closes the gate if a transaction is open
    // and releases every chip select, so the devices see the frame end.
    void abandon_transaction();
    void attach(std::size_t index, SpiDevice* device);  // nullptr detaches; the device keeps its state
    // Installs the one observer of bus events (nullptr removes it); reset() keeps it.
    void set_observer(ch367bus::BusObserver* observer) { observer_ = observer; }

    // The driver calls.
    bool open_device();
    bool io_base(std::uint64_t* base) const;
    bool read(std::uint64_t address, std::uint8_t* value);
    bool write(std::uint64_t address, std::uint8_t value);
    void close_device();

    // Faults.
    bool fail_open = false;
    bool fail_io_base = false;
    void inject_gate_fault(ch367sim_gate_fault fault, std::uint64_t nth);

    // State and logs.
    bool is_open() const { return open_; }
    std::uint8_t register_value(std::uint8_t offset) const { return state_->registers[offset]; }
    bool in_transaction() const { return state_->in_transaction != 0; }
    // No transaction open and every chip select released: nothing is under way on the bus.
    bool bus_idle() const {
        return !in_transaction() && (state_->registers[ch367bus::kLines] & ch367bus::kChipSelects) == ch367bus::kChipSelects;
    }
    void set_lines(std::uint8_t value);
    const ch367sim_counters& counters() const { return state_->counters; }

    struct LoggedTransaction {
        std::uint64_t sequence;
        std::uint8_t device;
        std::uint8_t lines;
        bool success;
        std::vector<std::uint8_t> out;
        std::vector<std::uint8_t> in;
    };
    bool logging = true;
    const std::vector<LoggedTransaction>& log() const { return log_; }
    void clear_log() { log_.clear(); }

    bool tracing = false;
    const std::vector<ch367sim_register_access>& trace() const { return trace_; }
    void clear_trace() { trace_.clear(); }

private:
    void write_control(std::uint8_t value);
    void write_lines(std::uint8_t value);
    std::uint8_t shift_byte(std::uint8_t mosi);
    bool fault_hits(ch367sim_gate_fault fault) const;
    void begin_transaction();
    void end_transaction(bool success);
    void record(bool is_write, std::uint8_t offset, std::uint8_t value);
    bool refuse();

    std::unique_ptr<ch367sim_card_bridge> own_state_;
    ch367sim_card_bridge* state_;
    std::array<SpiDevice*, kDeviceCount> devices_{};
    ch367bus::BusObserver* observer_ = nullptr;
    bool open_ = false;

    ch367sim_gate_fault gate_fault_ = CH367SIM_GATE_OK;
    std::uint64_t gate_fault_transaction_ = 0;  // absolute sequence number; 0 = every one

    LoggedTransaction current_{};
    std::vector<LoggedTransaction> log_;
    std::vector<ch367sim_register_access> trace_;
};

}  // namespace ch367sim
