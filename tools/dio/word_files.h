// Files of 32-bit memory words, as `dio load` reads them and `dio dump` writes them. In memory
// the words are kept as the byte image the card transfers: each word little-endian.
//  - binary: the words back to back, each as its 4 little-endian bytes;
//  - hex: one word per line in hex digits ("0000abcd", "0x0000ABCD" or "abcd"); blank lines and
//    "#" comments are skipped when reading.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dio {

enum class WordFormat { binary, hex };

constexpr std::size_t kWordBytes = 4;

// Throws Failure for a binary file whose size is not a whole number of words, a hex line that
// is not one 32-bit word (naming the line), or more than max_words words.
std::vector<std::uint8_t> parse_word_file(std::string_view content, WordFormat format,
                                          std::size_t max_words);
// The file content for a byte image of whole words.
std::string format_word_file(std::span<const std::uint8_t> image, WordFormat format);

}  // namespace dio
