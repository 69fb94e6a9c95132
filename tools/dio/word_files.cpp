#include "word_files.h"

#include <cstdio>

#include "failure.h"
#include "numbers.h"

namespace dio {

namespace {

void append_word(std::vector<std::uint8_t>& image, std::uint32_t word) {
    for (std::size_t i = 0; i < kWordBytes; ++i) {
        image.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
    }
}

std::uint32_t word_at(std::span<const std::uint8_t> image, std::size_t offset) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < kWordBytes; ++i) {
        word |= static_cast<std::uint32_t>(image[offset + i]) << (8 * i);
    }
    return word;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

[[noreturn]] void fail_too_many_words(std::size_t max_words) {
    throw Failure("more than " + std::to_string(max_words) + " words, more than a memory holds");
}

std::vector<std::uint8_t> parse_hex_lines(std::string_view content, std::size_t max_words) {
    std::vector<std::uint8_t> image;
    std::size_t line_number = 0;
    while (!content.empty()) {
        ++line_number;
        const auto end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        line = trimmed(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const auto word = parse_digits(line, 16, UINT32_MAX);
        if (!word) {
            throw Failure("line " + std::to_string(line_number) +
                          " is not one 32-bit hex word: " + std::string(line));
        }
        if (image.size() / kWordBytes == max_words) fail_too_many_words(max_words);
        append_word(image, static_cast<std::uint32_t>(*word));
    }
    return image;
}

}  // namespace

std::vector<std::uint8_t> parse_word_file(std::string_view content, WordFormat format,
                                          std::size_t max_words) {
    if (format == WordFormat::hex) return parse_hex_lines(content, max_words);
    if (content.size() % kWordBytes != 0) {
        throw Failure("file size " + std::to_string(content.size()) +
                      " is not a whole number of 4-byte words");
    }
    if (content.size() / kWordBytes > max_words) fail_too_many_words(max_words);
    return {content.begin(), content.end()};
}

std::string format_word_file(std::span<const std::uint8_t> image, WordFormat format) {
    if (format == WordFormat::binary) return {image.begin(), image.end()};
    std::string text;
    char line[16];
    for (std::size_t offset = 0; offset + kWordBytes <= image.size(); offset += kWordBytes) {
        std::snprintf(line, sizeof line, "%08x\n", word_at(image, offset));
        text += line;
    }
    return text;
}

}  // namespace dio
