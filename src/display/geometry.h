// Layout of the display memory, which the frame buffer copies: 64 rows of 128 bytes, two pixels
// per byte, the pixel of even x in the high nibble and the pixel of odd x in the low nibble.
#pragma once

#include <cstdint>

#include "link/master_handle.h"

namespace quorvel::display {

inline constexpr std::uint32_t kRowCount = 64;
inline constexpr std::uint32_t kRowBytes = 128;
inline constexpr std::uint32_t kScreenBytes = kRowCount * kRowBytes;
static_assert(kScreenBytes == kFrameBufferSize);

inline constexpr std::uint8_t kRowMask = kRowCount - 1;      // frame-buffer rows count modulo 64
inline constexpr std::uint8_t kColumnMask = kRowBytes - 1;   // byte columns count modulo 128
inline constexpr std::uint8_t kLevelMask = 0x0F;             // a gray level is 4 bits
inline constexpr std::uint8_t kHighNibble = 0xF0;
inline constexpr std::uint8_t kLowNibble = 0x0F;

// The byte column that holds pixel x.
constexpr std::uint8_t byte_column(std::uint8_t x) { return static_cast<std::uint8_t>(x >> 1); }

// The nibble of its byte that pixel x occupies.
constexpr std::uint8_t pixel_mask(std::uint8_t x) {
    return (x & 1) == 0 ? kHighNibble : kLowNibble;
}

// The byte that holds gray level `level` (low 4 bits) at pixel x and 0 at its partner pixel.
constexpr std::uint8_t pixel_byte(std::uint8_t x, std::uint8_t level) {
    const std::uint8_t nibble = level & kLevelMask;
    return static_cast<std::uint8_t>((x & 1) == 0 ? nibble << 4 : nibble);
}

}  // namespace quorvel::display
