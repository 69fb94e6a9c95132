#include "bridge.h"

#include <bit>

#include "bridge_registers.h"

namespace ch367sim {

// The readers of the bus know the card's line register and device numbers as the simulator does.
static_assert(ch367bus::kPowerOnLines == CH367SIM_POWER_ON_LINES);
static_assert(ch367bus::kNoDevice == CH367SIM_NO_DEVICE);

namespace {

constexpr std::uint8_t kControlPowerOn = 0x84;  // gate closed
constexpr std::uint8_t kFloatingBus = 0xFF;     // what MISO reads with nothing selected

}  // namespace

Bridge::Bridge(ch367sim_card_bridge* state) : state_(state) {
    if (state_ != nullptr) return;
    own_state_ = std::make_unique<ch367sim_card_bridge>();
    state_ = own_state_.get();
    reset();
}

void Bridge::reset() {
    *state_ = {};
    state_->registers[ch367bus::kBridgeControl] = kControlPowerOn;
    state_->registers[ch367bus::kLines] = CH367SIM_POWER_ON_LINES;
    open_ = false;
    fail_open = false;
    fail_io_base = false;
    gate_fault_ = CH367SIM_GATE_OK;
    gate_fault_transaction_ = 0;
    current_ = {};
    logging = true;
    log_.clear();
    tracing = false;
    trace_.clear();
    for (SpiDevice* device : devices_) {
        if (device != nullptr) device->power_on();
    }
}

void Bridge::attach(std::size_t index, SpiDevice* device) { devices_[index] = device; }

void Bridge::abandon_transaction() {
    // The transaction was another process's: it is in no log or observer of this one.
    if (in_transaction()) {
        state_->registers[ch367bus::kBridgeControl] |= ch367bus::kBusGate;
        state_->in_transaction = 0;
    }
    if (!bus_idle()) write_lines(static_cast<std::uint8_t>(state_->registers[ch367bus::kLines] | ch367bus::kChipSelects));
}

bool Bridge::open_device() {
    ++state_->counters.opens;
    if (observer_ != nullptr) observer_->device_opened(!fail_open);
    if (fail_open) return false;
    open_ = true;
    return true;
}

bool Bridge::io_base(std::uint64_t* base) const {
    if (fail_io_base || base == nullptr) return false;
    *base = CH367SIM_IO_BASE;
    return true;
}

void Bridge::close_device() {
    ++state_->counters.closes;
    open_ = false;
    if (observer_ != nullptr) observer_->device_closed();
}

void Bridge::inject_gate_fault(ch367sim_gate_fault fault, std::uint64_t nth) {
    gate_fault_ = fault;
    gate_fault_transaction_ = nth == 0 ? 0 : state_->counters.transactions + nth;
}

bool Bridge::fault_hits(ch367sim_gate_fault fault) const {
    if (gate_fault_ != fault) return false;
    return gate_fault_transaction_ == 0 || gate_fault_transaction_ == state_->counters.transactions;
}

void Bridge::record(bool is_write, std::uint8_t offset, std::uint8_t value) {
    if (tracing && trace_.size() < kMaxTracedAccesses) {
        trace_.push_back({static_cast<std::uint8_t>(is_write), offset, value});
    }
}

// Once the device is closed the driver's register calls fail, as on the card: nothing is read or
// written and no device sees anything, but the access is counted and shown in the outputs.
bool Bridge::refuse() {
    ++state_->counters.closed_accesses;
    if (observer_ != nullptr) observer_->access_refused();
    return false;
}

bool Bridge::read(std::uint64_t address, std::uint8_t* value) {
    ++state_->counters.register_reads;
    if (!open_) return refuse();
    if (value == nullptr || address < CH367SIM_IO_BASE || address > CH367SIM_IO_BASE + 0xFF) {
        return false;
    }
    const auto offset = static_cast<std::uint8_t>(address - CH367SIM_IO_BASE);
    *value = state_->registers[offset];
    if (observer_ != nullptr) [[unlikely]] observer_->register_accessed(false, offset, *value);
    if (offset == ch367bus::kSpiData && in_transaction() && logging) current_.in.push_back(*value);
    record(false, offset, *value);
    return true;
}

bool Bridge::write(std::uint64_t address, std::uint8_t value) {
    ++state_->counters.register_writes;
    if (!open_) return refuse();
    if (address < CH367SIM_IO_BASE || address > CH367SIM_IO_BASE + 0xFF) return false;
    const auto offset = static_cast<std::uint8_t>(address - CH367SIM_IO_BASE);
    record(true, offset, value);
    if (observer_ != nullptr) [[unlikely]] observer_->register_accessed(true, offset, value);
    switch (offset) {
        case ch367bus::kBridgeControl: write_control(value); break;
        case ch367bus::kLines: write_lines(value); break;
        case ch367bus::kSpiData: state_->registers[ch367bus::kSpiData] = shift_byte(value); break;
        default: state_->registers[offset] = value; break;
    }
    return true;
}

// The gate falling starts a transaction, rising ends it; an injected fault keeps the gate where
// it was, which the host sees in its read-back.
void Bridge::write_control(std::uint8_t value) {
    const bool wants_open = (value & ch367bus::kBusGate) == 0;
    if (wants_open && !in_transaction()) {
        ++state_->counters.transactions;
        begin_transaction();
        if (fault_hits(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN)) {
            state_->registers[ch367bus::kBridgeControl] = value | ch367bus::kBusGate;
            end_transaction(false);
            return;
        }
    } else if (!wants_open && in_transaction()) {
        if (fault_hits(CH367SIM_GATE_STUCK_OPEN_ON_CLOSE)) {
            state_->registers[ch367bus::kBridgeControl] = value & ~ch367bus::kBusGate;
            end_transaction(false);
            return;
        }
        end_transaction(true);
    } else if (!wants_open && gate_fault_ == CH367SIM_GATE_STUCK_OPEN_ON_CLOSE &&
               gate_fault_transaction_ == 0) {
        state_->registers[ch367bus::kBridgeControl] = value & ~ch367bus::kBusGate;  // a gate stuck for good stays stuck
        return;
    } else if (wants_open && gate_fault_ == CH367SIM_GATE_STUCK_CLOSED_ON_OPEN &&
               gate_fault_transaction_ == 0) {
        state_->registers[ch367bus::kBridgeControl] = value | ch367bus::kBusGate;
        return;
    }
    state_->registers[ch367bus::kBridgeControl] = value;
}

void Bridge::begin_transaction() {
    state_->in_transaction = 1;
    current_.sequence = state_->counters.transactions;
    current_.device = CH367SIM_NO_DEVICE;
    current_.lines = state_->registers[ch367bus::kLines];
    current_.success = false;
    current_.out.clear();
    current_.in.clear();
    if (observer_ != nullptr) observer_->transaction_begun(current_.sequence);
}

void Bridge::end_transaction(bool success) {
    state_->in_transaction = 0;
    if (observer_ != nullptr) observer_->transaction_ended(success);
    if (!logging || log_.size() >= kMaxLoggedTransactions) return;
    current_.success = success;
    log_.push_back(std::move(current_));
    current_ = {};
}

void Bridge::set_lines(std::uint8_t value) { write_lines(value); }

void Bridge::write_lines(std::uint8_t value) {
    const std::uint8_t before = state_->registers[ch367bus::kLines];
    state_->registers[ch367bus::kLines] = value;
    if (observer_ != nullptr) observer_->lines_written(before, value);
    const auto selected_now = static_cast<std::uint8_t>(before & ~value & ch367bus::kChipSelects);
    const auto released_now = static_cast<std::uint8_t>(~before & value & ch367bus::kChipSelects);
    if (in_transaction()) {
        // The device a transaction selected: the one whose select fell now, or, when its select
        // was already low (left selected by a failed close or a raw line-register write), the
        // lowest one still selected.
        const auto selected = static_cast<std::uint8_t>(~value & ch367bus::kChipSelects);
        const std::uint8_t chosen = selected_now != 0 ? selected_now : selected;
        if (chosen != 0) current_.device = static_cast<std::uint8_t>(std::countr_zero(chosen));
        current_.lines = value;
    }
    for (std::size_t i = 0; i < kDeviceCount; ++i) {
        SpiDevice* device = devices_[i];
        if (device == nullptr) continue;
        if (released_now & (1u << i)) device->frame_end();
        if (before != value) device->lines_changed(value);
        if (selected_now & (1u << i)) device->frame_start();
    }
}

// Shifts one byte to every selected device while the bus is open; the lowest selected device
// drives the byte that comes back.
std::uint8_t Bridge::shift_byte(std::uint8_t mosi) {
    const bool bus_open = (state_->registers[ch367bus::kBridgeControl] & ch367bus::kBusGate) == 0;
    if (in_transaction() && logging) {
        current_.out.push_back(mosi);
        current_.lines = state_->registers[ch367bus::kLines];
    }
    if (!bus_open) return kFloatingBus;
    std::uint8_t miso = kFloatingBus;
    bool answered = false;
    const std::uint8_t lines = state_->registers[ch367bus::kLines];
    // Only the selected devices, lowest first: usually one, looked up without visiting the rest.
    for (unsigned selected = ~lines & ch367bus::kChipSelects; selected != 0; selected &= selected - 1) {
        SpiDevice* device = devices_[static_cast<std::size_t>(std::countr_zero(selected))];
        if (device == nullptr) continue;
        const std::uint8_t reply = device->exchange(mosi, lines);
        if (!answered) miso = reply;
        answered = true;
    }
    if (observer_ != nullptr) observer_->byte_shifted(mosi, miso);
    return miso;
}

}  // namespace ch367sim
