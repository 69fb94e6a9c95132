// libFuzzer target: any bytes as a word file for `dio load`, read both as binary and as hex text.
// A binary file is taken whole or refused for its size; the words read from a hex file, written
// as dio dump writes them and read again, are the same words.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "failure.h"
#include "word_files.h"

namespace {

void check_binary(std::string_view content) {
    try {
        const auto image = dio::parse_word_file(content, dio::WordFormat::binary, SIZE_MAX);
        if (dio::format_word_file(image, dio::WordFormat::binary) != content) std::abort();
    } catch (const dio::Failure&) {
        if (content.size() % dio::kWordBytes == 0) std::abort();
    }
}

void check_hex(std::string_view content) {
    std::vector<std::uint8_t> image;
    try {
        image = dio::parse_word_file(content, dio::WordFormat::hex, SIZE_MAX);
    } catch (const dio::Failure&) {
        return;
    }
    const auto text = dio::format_word_file(image, dio::WordFormat::hex);
    if (dio::parse_word_file(text, dio::WordFormat::hex, SIZE_MAX) != image) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    check_binary(content);
    check_hex(content);
    return 0;
}
