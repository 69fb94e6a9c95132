// Bytes as a hex dump: offset, 16 bytes in hex, and the printable characters.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace dio {

// "00000000  01 02 03 04 05 06 07 08  09 0a 0b 0c 0d 0e 0f 10  |................|", one line
// per 16 bytes, each ending in a newline; nothing for no bytes.
std::string hexdump(std::span<const std::uint8_t> bytes);

}  // namespace dio
