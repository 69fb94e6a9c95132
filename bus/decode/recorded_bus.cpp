#include "recorded_bus.h"

#include "bridge_registers.h"
#include "bus_timeline.h"

namespace ch367bus {

namespace {

constexpr std::uint8_t kFloatingBus = 0xFF;
constexpr std::int64_t kFailedOpen = -1;  // the invalid handle CH367OpenDevice returns

bool reads(const TraceCall* call, std::uint8_t offset, std::uint64_t base) {
    return call != nullptr && call->function == Function::read_io_byte && call->result != 0 &&
           call->address == base + offset;
}

}  // namespace

void RecordedBus::call(const TraceCall& call) {
    settle(&call);
    observer_.time_reached(BusTimeline::kStart + call.time_ns);
    switch (call.function) {
        case Function::open_device:
            open_ = call.result != kFailedOpen;
            observer_.device_opened(open_);
            break;
        case Function::get_io_base:
            if (call.result != 0) base_ = call.address;
            break;
        case Function::read_io_byte: read(call); break;
        case Function::write_io_byte: write(call); break;
        case Function::close_device:
            settle(nullptr);
            open_ = false;
            observer_.device_closed();
            break;
    }
}

void RecordedBus::settle(const TraceCall* next) {
    if (unanswered_byte_ && next == nullptr) settle_byte(kFloatingBus);
    if (gate_check_ == GateCheck::None) return;
    const bool read_back = reads(next, kBridgeControl, base_);
    const bool gate_closed = read_back && (next->value & kBusGate) != 0;
    if (gate_check_ == GateCheck::Opened) {
        if (gate_closed) {
            in_transaction_ = false;
            observer_.transaction_ended(false);
        }
    } else {
        in_transaction_ = false;
        observer_.transaction_ended(!read_back || gate_closed);
    }
    gate_check_ = GateCheck::None;
}

void RecordedBus::settle_byte(std::uint8_t miso) {
    observer_.byte_shifted(*unanswered_byte_, miso);
    unanswered_byte_.reset();
}

std::optional<std::uint8_t> RecordedBus::offset_of(const TraceCall& call) const {
    if (call.result == 0 || call.address < base_ || call.address - base_ > 0xFF) return std::nullopt;
    return static_cast<std::uint8_t>(call.address - base_);
}

// A register call the driver refused while the bridge was closed is a refused access, as the
// simulated bridge reports it; one refused for a bad address or pointer is no bus event.
void RecordedBus::read(const TraceCall& call) {
    if (call.result == 0 && !open_) observer_.access_refused();
    const std::optional<std::uint8_t> offset = offset_of(call);
    if (!offset) return;
    if (*offset == kSpiData && unanswered_byte_) settle_byte(call.value);
    observer_.register_accessed(false, *offset, call.value);
}

void RecordedBus::write(const TraceCall& call) {
    if (call.result == 0 && !open_) observer_.access_refused();
    const std::optional<std::uint8_t> offset = offset_of(call);
    if (!offset) return;
    if (unanswered_byte_ && (*offset == kSpiData || *offset == kLines)) settle_byte(kFloatingBus);
    observer_.register_accessed(true, *offset, call.value);
    switch (*offset) {
        case kBridgeControl: write_control(call.value); break;
        case kLines:
            observer_.lines_written(lines_, call.value);
            lines_ = call.value;
            break;
        case kSpiData: unanswered_byte_ = call.value; break;
        default: break;
    }
}

void RecordedBus::write_control(std::uint8_t value) {
    const bool wants_open = (value & kBusGate) == 0;
    if (wants_open == in_transaction_) return;
    if (unanswered_byte_) settle_byte(kFloatingBus);
    if (wants_open) {
        in_transaction_ = true;
        observer_.transaction_begun(++sequence_);
        gate_check_ = GateCheck::Opened;
    } else {
        gate_check_ = GateCheck::Closed;
    }
}

void decode_recording(const Trace& trace, BusObserver& observer) {
    RecordedBus bus(observer, kPowerOnLines);
    for (const TraceCall& call : trace.calls) bus.call(call);
    bus.finish();
}

}  // namespace ch367bus
