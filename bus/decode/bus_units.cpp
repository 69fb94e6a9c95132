#include "bus_units.h"

#include <bit>

#include "bridge_registers.h"

namespace ch367bus {

namespace {

std::uint8_t selected_device(std::uint8_t lines) {
    const auto selected = static_cast<std::uint8_t>(~lines & kChipSelects);
    if (selected == 0) return kNoDevice;
    return static_cast<std::uint8_t>(std::countr_zero(selected));
}

}  // namespace

void BusUnitAssembler::restart(std::uint8_t lines) {
    state_ = State::Idle;
    current_ = {};
    pending_ = 0;
    lines_ = lines;
}

void BusUnitAssembler::emit(BusUnit unit) {
    unit.accesses += pending_;
    pending_ = 0;
    sink_(unit);
}

void BusUnitAssembler::emit_transaction() {
    state_ = State::Idle;
    sink_(current_);
}

void BusUnitAssembler::finish() {
    if (state_ == State::AwaitingDeselect) emit_transaction();
}

void BusUnitAssembler::emit_event(BusUnit::Kind kind, std::uint64_t time, std::uint8_t value,
                                  bool opened) {
    finish();
    BusUnit unit;
    unit.kind = kind;
    unit.time = time;
    unit.end = timeline_.now();
    unit.lines = value;
    unit.opened = opened;
    emit(unit);
}

void BusUnitAssembler::device_opened(bool success, std::uint64_t time) {
    emit_event(BusUnit::Kind::Opened, time, 0, success);
}

void BusUnitAssembler::device_closed(std::uint64_t time) { emit_event(BusUnit::Kind::Closed, time); }

void BusUnitAssembler::register_accessed(bool is_write, std::uint8_t offset, std::uint8_t value,
                                         std::uint64_t time) {
    if (state_ == State::InTransaction) {
        ++current_.accesses;
        current_.end = timeline_.now();
        return;
    }
    ++pending_;
    if (is_write && offset == kAddressLow) emit_event(BusUnit::Kind::AddressLow, time, value);
}

void BusUnitAssembler::access_refused(std::uint64_t time) {
    ++pending_;
    emit_event(BusUnit::Kind::Refused, time);
}

void BusUnitAssembler::transaction_begun(std::uint64_t sequence, std::uint64_t time) {
    finish();
    current_ = {};
    current_.kind = BusUnit::Kind::Transaction;
    current_.sequence = sequence;
    current_.time = time;
    current_.end = timeline_.now();
    current_.accesses = pending_;
    current_.lines = lines_;
    current_.device = selected_device(lines_);
    pending_ = 0;
    state_ = State::InTransaction;
}

// A transaction whose close failed leaves its device selected and gets no deselect.
void BusUnitAssembler::transaction_ended(bool success) {
    if (state_ != State::InTransaction) return;
    current_.success = success;
    current_.end = timeline_.now();
    state_ = State::AwaitingDeselect;
    if (!success) emit_transaction();
}

void BusUnitAssembler::lines_written(std::uint8_t before, std::uint8_t after,
                                     std::uint64_t time) {
    lines_ = after;
    if (state_ == State::InTransaction) {
        const std::uint8_t device = selected_device(after);
        if (device != kNoDevice) {
            if (current_.device == kNoDevice) current_.time = time;  // the chip select fell
            current_.device = device;
        }
        current_.lines = after;
        current_.end = timeline_.now();
        return;
    }
    if (state_ == State::AwaitingDeselect && (after & kChipSelects) == kChipSelects) {
        current_.end = timeline_.now();
        current_.accesses += pending_;
        pending_ = 0;
        emit_transaction();
        return;
    }
    BusUnit unit;
    unit.kind = BusUnit::Kind::Lines;
    unit.time = time;
    unit.end = timeline_.now();
    unit.lines = after;
    unit.lines_before = before;
    finish();
    emit(unit);
}

void BusUnitAssembler::byte_shifted(std::uint8_t mosi, std::uint8_t miso) {
    if (state_ != State::InTransaction) return;
    const std::uint64_t position = current_.count++;
    if (position < BusUnit::kKeptBytes) {
        current_.out[position] = mosi;
        current_.in[position] = miso;
    }
    if (mosi != current_.out[0]) current_.uniform = false;
    current_.lines = lines_;
    current_.end = timeline_.now();
}

}  // namespace ch367bus
