// The five functions of the bridge's driver library, as the card library imports them. When a
// recording of the calls is asked for (CH367SIM_TRACE), each is recorded as the recorder records
// the calls it forwards; otherwise that costs one untaken branch.
#include <cstdint>

#include "card.h"
#include "driver_library.h"

#define CH367_DRIVER_API extern "C" CH367SIM_API

using ch367bus::Function;

namespace {
// Any stable non-null value: callers keep it and never pass it back.
void* const kDeviceHandle = reinterpret_cast<void*>(std::uintptr_t{1});

std::uint8_t null_flag(const void* pointer) {
    return pointer == nullptr ? ch367bus::kNullPointer : 0;
}

// Runs `call` and records it, `describe` filling in the record from its result. Calls from
// several threads are recorded in the order they return (the lock is not held across the call:
// a thread may wait inside one for another to end its command).
template <class Call, class Describe>
auto recorded(ch367bus::CallRecording& recording, Call call, Describe describe) {
    const std::uint64_t ticks = ch367bus::ticks();
    const auto result = call();
    ch367bus::RawRecord record = describe(result);
    record.ticks = ticks;
    recording.lock();
    if (record.function == static_cast<std::uint8_t>(Function::close_device)) {
        recording.record_close(record);
    } else {
        recording.record(record);
    }
    recording.unlock();
    return result;
}

ch367bus::RawRecord record_of(Function function, std::uint64_t address, std::int64_t result,
                              std::uint8_t value = 0, std::uint8_t flags = 0,
                              std::int32_t argument = 0) {
    return {0, address, result, static_cast<std::uint8_t>(function), value, flags, 0, argument};
}

}  // namespace

CH367_DRIVER_API void* CH367OpenDevice(int32_t index, int32_t exclusive, uint8_t interrupt) {
    ch367sim::Card& card = ch367sim::card();
    const auto open = [&] {
        return card.open_device() ? kDeviceHandle : ch367bus::kInvalidDeviceHandle;
    };
    if (card.call_trace == nullptr) [[likely]] return open();
    return recorded(*card.call_trace, open, [&](void* handle) {
        return record_of(Function::open_device, static_cast<std::uint32_t>(index),
                         reinterpret_cast<std::intptr_t>(handle), interrupt, 0, exclusive);
    });
}

CH367_DRIVER_API int32_t CH367GetIoBaseAddr(uint64_t* io_base) {
    ch367sim::Card& card = ch367sim::card();
    const auto get = [&]() -> int32_t { return card.bridge.io_base(io_base) ? 1 : 0; };
    if (card.call_trace == nullptr) [[likely]] return get();
    return recorded(*card.call_trace, get, [&](int32_t result) {
        return record_of(Function::get_io_base, io_base != nullptr ? *io_base : 0, result, 0,
                         null_flag(io_base));
    });
}

CH367_DRIVER_API int32_t CH367ReadIoByte(uint64_t address, uint8_t* value) {
    ch367sim::Card& card = ch367sim::card();
    const auto read = [&]() -> int32_t { return card.read(address, value) ? 1 : 0; };
    if (card.call_trace == nullptr) [[likely]] return read();
    return recorded(*card.call_trace, read, [&](int32_t result) {
        return record_of(Function::read_io_byte, address, result, value != nullptr ? *value : 0,
                         null_flag(value));
    });
}

CH367_DRIVER_API int32_t CH367WriteIoByte(uint64_t address, uint8_t value) {
    ch367sim::Card& card = ch367sim::card();
    const auto write = [&]() -> int32_t { return card.write(address, value) ? 1 : 0; };
    if (card.call_trace == nullptr) [[likely]] return write();
    return recorded(*card.call_trace, write, [&](int32_t result) {
        return record_of(Function::write_io_byte, address, result, value);
    });
}

CH367_DRIVER_API void CH367CloseDevice(void) {
    ch367sim::Card& card = ch367sim::card();
    const auto close = [&] {
        card.close_device();
        return 0;
    };
    if (card.call_trace == nullptr) [[likely]] {
        close();
        return;
    }
    recorded(*card.call_trace, close,
             [](int) { return record_of(Function::close_device, 0, 0); });
}
