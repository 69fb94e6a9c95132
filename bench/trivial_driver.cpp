// A driver library whose five functions do nothing: what the recorder's forwarding costs is
// measured against calling it directly.
#include <cstdint>

#define TRIVIAL_DRIVER_API extern "C" __attribute__((visibility("default")))

TRIVIAL_DRIVER_API void* CH367OpenDevice(std::int32_t, std::int32_t, std::uint8_t) {
    return reinterpret_cast<void*>(std::uintptr_t{1});
}
TRIVIAL_DRIVER_API std::int32_t CH367GetIoBaseAddr(std::uint64_t* io_base) {
    *io_base = 0xD000;
    return 1;
}
TRIVIAL_DRIVER_API std::int32_t CH367ReadIoByte(std::uint64_t, std::uint8_t* value) {
    *value = 0;
    return 1;
}
TRIVIAL_DRIVER_API std::int32_t CH367WriteIoByte(std::uint64_t, std::uint8_t) { return 1; }
TRIVIAL_DRIVER_API void CH367CloseDevice(void) {}
