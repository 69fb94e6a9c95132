// The five functions of the bridge's driver library, as the card library imports them.
#include <cstdint>

#include "card.h"

#define CH367_DRIVER_API extern "C" CH367SIM_API

namespace {
void* const kInvalidHandle = reinterpret_cast<void*>(~std::uintptr_t{0});
// Any stable non-null value: callers keep it and never pass it back.
void* const kDeviceHandle = reinterpret_cast<void*>(std::uintptr_t{1});
}  // namespace

CH367_DRIVER_API void* CH367OpenDevice(int32_t /*index*/, int32_t /*exclusive*/,
                                       uint8_t /*interrupt*/) {
    return ch367sim::card().open_device() ? kDeviceHandle : kInvalidHandle;
}

CH367_DRIVER_API int32_t CH367GetIoBaseAddr(uint64_t* io_base) {
    return ch367sim::card().bridge.io_base(io_base) ? 1 : 0;
}

CH367_DRIVER_API int32_t CH367ReadIoByte(uint64_t address, uint8_t* value) {
    return ch367sim::card().read(address, value) ? 1 : 0;
}

CH367_DRIVER_API int32_t CH367WriteIoByte(uint64_t address, uint8_t value) {
    return ch367sim::card().write(address, value) ? 1 : 0;
}

CH367_DRIVER_API void CH367CloseDevice(void) { ch367sim::card().close_device(); }
