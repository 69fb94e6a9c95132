#include "numbers.h"

#include <algorithm>
#include <cctype>

#include "failure.h"

namespace dio {

namespace {

std::optional<unsigned> digit_value(char c, unsigned base) {
    unsigned value = 0;
    if (c >= '0' && c <= '9') {
        value = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
        value = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
        value = static_cast<unsigned>(c - 'A' + 10);
    } else {
        return std::nullopt;
    }
    if (value >= base) return std::nullopt;
    return value;
}

bool has_hex_prefix(std::string_view text) {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// True when the text, past a "0x" prefix in base 16, is one or more digits of the base.
bool all_digits(std::string_view text, unsigned base) {
    if (base == 16 && has_hex_prefix(text)) text.remove_prefix(2);
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [base](char c) { return digit_value(c, base).has_value(); });
}

}  // namespace

std::optional<std::uint64_t> parse_digits(std::string_view text, unsigned base, std::uint64_t max) {
    if (base == 16 && has_hex_prefix(text)) text.remove_prefix(2);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        const auto digit = digit_value(c, base);
        if (!digit || *digit > max || value > (max - *digit) / base) return std::nullopt;
        value = value * base + *digit;
    }
    return value;
}

CLI::Validator number_syntax(NumberRange range) {
    return CLI::Validator(
        [range](std::string& text) -> std::string {
            std::string_view digits = text;
            const bool negative = !digits.empty() && digits.front() == '-';
            if (negative) digits.remove_prefix(1);
            const unsigned base = has_hex_prefix(digits) ? 16 : 10;
            const auto value = parse_digits(digits, base, UINT64_MAX);
            const auto out_of_range = [&] {
                return text + " is out of range " + std::to_string(range.min) + ".." +
                       std::to_string(range.max);
            };
            // Digits that do not fit in 64 bits are still a number, one far out of range.
            if (!value) {
                return all_digits(digits, base) ? out_of_range()
                                                : "not a number (decimal, or hex with 0x): " + text;
            }
            // The magnitude of the lowest value, computed without overflowing INT64_MIN.
            const std::uint64_t lowest_magnitude =
                range.min < 0 ? std::uint64_t(-(range.min + 1)) + 1 : 0;
            const bool inside = negative ? *value <= lowest_magnitude
                                         : *value <= range.max &&
                                               (range.min <= 0 || *value >= std::uint64_t(range.min));
            if (!inside) return out_of_range();
            text = (negative && *value != 0 ? "-" : "") + std::to_string(*value);
            return {};
        },
        "NUMBER", "number");
}

std::vector<std::uint8_t> parse_hex_bytes(std::span<const std::string> words) {
    std::vector<std::uint8_t> bytes;
    for (const std::string& word : words) {
        std::string_view digits = word;
        if (has_hex_prefix(digits)) digits.remove_prefix(2);
        if (digits.empty() || digits.size() % 2 != 0) {
            throw Failure("not hex bytes (pairs of hex digits): " + word, kExitUsage);
        }
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            const auto byte = parse_digits(digits.substr(i, 2), 16, 0xFF);
            if (!byte) throw Failure("not hex bytes (pairs of hex digits): " + word, kExitUsage);
            bytes.push_back(static_cast<std::uint8_t>(*byte));
        }
    }
    return bytes;
}

std::vector<std::string> hex_text_words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool in_comment = false;
    for (char c : text) {
        if (c == '\n') in_comment = false;
        if (c == '#') in_comment = true;
        if (in_comment || std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

}  // namespace dio
