// The per-card record that DioInitialize allocates and every card export takes first.
#pragma once

#include <cstdint>

#include "QuorvelWCHDLL.h"

inline constexpr std::uint32_t kFrameBufferSize = 64 * 128;

struct DioMasterHandle {
    std::uint8_t open;            // 1 once the bridge is open and its base address known
    std::uint64_t io_base;        // register N lives at io_base + N
    void* device_handle;          // what CH367OpenDevice returned; kept, never passed back
    std::int32_t mode_a;          // 1: SPI control byte carries 0x20
    std::int32_t mode_b;          // 1: SPI control byte carries 0x40, no per-byte gate write
    std::uint8_t line_shadow;     // the library's copy of the line register
    std::uint8_t frame_buffer[kFrameBufferSize];  // display image, 64 rows of 128 bytes
};

namespace quorvel::link {

// True for a handle that exports may use: not null and opened completely. Exports return at
// once, touching nothing, for any other handle.
inline bool usable(const DioMasterHandle* handle) { return handle != nullptr && handle->open != 0; }

// Writes a status code unless the caller passed no status variable.
inline void set_status(std::int16_t* status, std::int16_t value) {
    if (status != nullptr) *status = value;
}

}  // namespace quorvel::link
