#include "text_file.h"

namespace ch367bus {

void TextFile::write(std::string_view text) {
    file_.write(text.data(), text.size());
}

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
}

std::string hex_byte(std::uint8_t value) {
    return {kHexDigits[value >> 4], kHexDigits[value & 0x0F]};
}

std::string hex_value(std::uint64_t value, unsigned digits) {
    std::string text(digits, '0');
    for (unsigned i = 0; i < digits; ++i) text[digits - 1 - i] = kHexDigits[(value >> (4 * i)) & 0x0F];
    return "0x" + text;
}

std::string hex_bytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0) text += ' ';
        text += hex_byte(bytes[i]);
    }
    return text;
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace ch367bus
