// CRC-32 (the IEEE polynomial of zlib and PNG), the checksum of the recording's headers and chunks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ch367bus {

// Continues `crc` (0 to start) over `size` bytes.
std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size);

}  // namespace ch367bus
