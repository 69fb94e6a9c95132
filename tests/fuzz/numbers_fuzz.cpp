// libFuzzer target: any bytes as the numbers and hex bytes people type for dio. Digits are read in
// both bases against a plain 128-bit reading of the same digits; a number argument that dio
// accepts comes out as plain decimal; hex text splits into words that read as whole bytes or are
// refused.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "failure.h"
#include "numbers.h"

namespace {

// The digits' value, or nothing for a character that is not a digit of the base; values past
// 2^64 saturate there.
std::optional<unsigned __int128> plain_value(std::string_view digits, unsigned base) {
    constexpr unsigned __int128 kCeiling = static_cast<unsigned __int128>(1) << 64;
    if (digits.empty()) return std::nullopt;
    unsigned __int128 value = 0;
    for (const char c : digits) {
        const std::string_view symbols = "0123456789abcdef";
        const auto digit = symbols.find(static_cast<char>(c >= 'A' && c <= 'F' ? c + 32 : c));
        if (digit == std::string_view::npos || digit >= base) return std::nullopt;
        value = value * base + digit;
        if (value > kCeiling) value = kCeiling;
    }
    return value;
}

void check_digits(std::string_view text, unsigned base, std::uint64_t max) {
    const auto parsed = dio::parse_digits(text, base, max);
    std::string_view digits = text;
    if (base == 16 && digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.remove_prefix(2);
    const auto expected = plain_value(digits, base);
    const bool in_range = expected && *expected <= max;
    if (parsed.has_value() != in_range || (parsed && *parsed != *expected)) std::abort();
}

void check_number_argument(std::string_view text) {
    static const CLI::Validator number = dio::number_syntax();
    std::string argument(text);
    if (!number(argument).empty()) return;
    std::string_view digits = argument;
    if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
    if (digits.empty() || (digits.size() > 1 && digits.front() == '0') ||
        !dio::parse_digits(digits, 10, UINT64_MAX))
        std::abort();
}

void check_hex_text(std::string_view text) {
    const auto words = dio::hex_text_words(text);
    std::size_t digits = 0;
    for (const std::string& word : words) {
        if (word.empty() || word.find_first_of(" \t\n\r\f\v#") != std::string::npos) std::abort();
        digits += word.size() - (word.size() > 2 && word[0] == '0' && (word[1] | 32) == 'x' ? 2 : 0);
    }
    try {
        if (dio::parse_hex_bytes(words).size() * 2 != digits) std::abort();
    } catch (const dio::Failure&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check_digits(text, 10, UINT64_MAX);
    check_digits(text, 16, UINT32_MAX);
    check_digits(text, 16, 0xFF);
    check_number_argument(text);
    check_hex_text(text);
    return 0;
}
