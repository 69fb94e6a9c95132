// libFuzzer target: any bytes as a dio script. Each line is split into words as `dio run` splits
// it; the words, quoted again, must split back into the same words, and they are then parsed as a
// command (arguments checked, nothing run). A usage error is an answer; any other exception, and
// any sanitizer report, is a finding.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "command_parser.h"
#include "failure.h"
#include "script_words.h"

namespace {

// The word in double quotes, which keep everything but a backslash or a quote literal.
std::string quoted(const std::string& word) {
    std::string text = "\"";
    for (const char c : word) {
        if (c == '\\' || c == '"') text += '\\';
        text += c;
    }
    return text + '"';
}

void check_line(std::string_view line, dio::CommandParser& parser) {
    std::vector<std::string> words;
    try {
        words = dio::split_script_line(line);
    } catch (const dio::Failure&) {
        return;
    }
    std::string requoted;
    for (const std::string& word : words) requoted += quoted(word) + " ";
    if (dio::split_script_line(requoted) != words) std::abort();
    if (words.empty()) return;
    try {
        parser.parse(std::move(words));
    } catch (const CLI::ParseError&) {  // usage errors and --help
    } catch (const dio::Failure&) {     // words that name no command
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Built once: a parser of every command would otherwise dominate the run time.
    static dio::CommandParser parser(dio::Scope::script);
    std::string_view content(reinterpret_cast<const char*>(data), size);
    while (!content.empty()) {
        const auto end = content.find('\n');
        check_line(content.substr(0, end), parser);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    }
    return 0;
}
