// Numbers and hex bytes as people type them on a dio command line or in a script.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dio {

// Digits in the given base, with an optional "0x" prefix when the base is 16; nullopt when the
// text is malformed or the value exceeds max.
std::optional<std::uint64_t> parse_digits(std::string_view text, unsigned base, std::uint64_t max);

// The values a numeric argument takes, both ends included.
struct NumberRange {
    std::int64_t min = INT64_MIN;
    std::uint64_t max = UINT64_MAX;
};

// CLI11 transform for numeric arguments: accepts decimal ("300", "-1", "010" is ten) and hex
// with a "0x" prefix ("0x12C") inside the range, and hands CLI11 the plain decimal text. A
// number outside the range is refused as "300 is out of range 0..255".
CLI::Validator number_syntax(NumberRange range = {});

// Bytes written as hex digit pairs: each word holds one or more pairs ("01 02 ff", "0102ff"),
// optionally with a "0x" prefix. Throws Failure (a usage error) naming the first word that is
// not hex.
std::vector<std::uint8_t> parse_hex_bytes(std::span<const std::string> words);

// The words of a hex text: blanks separate them and "#" starts a comment to the end of its line.
std::vector<std::string> hex_text_words(std::string_view text);

}  // namespace dio
