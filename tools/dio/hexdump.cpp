#include "hexdump.h"

#include <algorithm>
#include <cstdio>

namespace dio {

namespace {
constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kGroup = 8;  // an extra blank after this many bytes
}  // namespace

std::string hexdump(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::size_t offset = 0; offset < bytes.size(); offset += kBytesPerLine) {
        const auto line = bytes.subspan(offset, std::min(kBytesPerLine, bytes.size() - offset));
        char field[32];
        std::snprintf(field, sizeof field, "%08zx ", offset);
        text += field;
        for (std::size_t i = 0; i < kBytesPerLine; ++i) {
            if (i % kGroup == 0) text += ' ';
            if (i < line.size()) {
                std::snprintf(field, sizeof field, "%02x ", line[i]);
                text += field;
            } else {
                text += "   ";
            }
        }
        text += " |";
        for (std::uint8_t byte : line) {
            text += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '.';
        }
        text += "|\n";
    }
    return text;
}

}  // namespace dio
