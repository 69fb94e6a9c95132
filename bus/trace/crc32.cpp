#include "crc32.h"

#include <array>

namespace ch367bus {

namespace {

// Sixteen tables, so that the chunk's bytes are taken sixteen at a time ("slicing by 16"): the
// checksum of each record is then a small part of the recorder's cost per call.
using Tables = std::array<std::array<std::uint32_t, 256>, 16>;

constexpr Tables make_tables() {
    Tables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::size_t t = 1; t < tables.size(); ++t) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            const std::uint32_t previous = tables[t - 1][n];
            tables[t][n] = tables[0][previous & 0xFF] ^ (previous >> 8);
        }
    }
    return tables;
}

constexpr Tables kTables = make_tables();

}  // namespace

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (; size >= 16; size -= 16, bytes += 16) {
        const std::uint32_t low =
            crc ^ (std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                   std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24);
        crc = kTables[15][low & 0xFF] ^ kTables[14][(low >> 8) & 0xFF] ^
              kTables[13][(low >> 16) & 0xFF] ^ kTables[12][low >> 24];
        for (std::size_t i = 4; i < 16; ++i) crc ^= kTables[15 - i][bytes[i]];
    }
    for (; size > 0; --size, ++bytes) crc = kTables[0][(crc ^ *bytes) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace ch367bus
