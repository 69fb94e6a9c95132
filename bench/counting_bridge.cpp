#include "counting_bridge.h"

#include "link/bridge.h"

namespace bench {

namespace {
CountingBridge state;

void* const kDeviceHandle = reinterpret_cast<void*>(std::uintptr_t{1});

std::uint8_t offset_of(std::uint64_t address) {
    return static_cast<std::uint8_t>(address - kCountingIoBase);
}
}  // namespace

CountingBridge& counting_bridge() { return state; }

}  // namespace bench

using bench::state;

extern "C" {

void* CH367OpenDevice(int32_t /*index*/, int32_t /*exclusive*/, uint8_t /*interrupt*/) {
    return bench::kDeviceHandle;
}

int32_t CH367GetIoBaseAddr(uint64_t* io_base) {
    *io_base = bench::kCountingIoBase;
    return 1;
}

int32_t CH367ReadIoByte(uint64_t address, uint8_t* value) {
    const std::uint8_t offset = bench::offset_of(address);
    *value = state.registers[offset];
    if (state.recording != nullptr) state.recording->push_back({0, offset, *value});
    return 1;
}

int32_t CH367WriteIoByte(uint64_t address, uint8_t value) {
    const std::uint8_t offset = bench::offset_of(address);
    state.registers[offset] = value;
    if (state.recording != nullptr) state.recording->push_back({1, offset, value});
    return 1;
}

void CH367CloseDevice(void) {}

}  // extern "C"
