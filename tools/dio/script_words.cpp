#include "script_words.h"

#include "failure.h"

namespace dio {

namespace {
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

std::vector<std::string> split_script_line(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;  // a quoted empty string is still a word
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            } else if (c == '\\' && quote == '"' && i + 1 < line.size()) {
                word += line[++i];
            } else {
                word += c;
            }
            continue;
        }
        if (is_blank(c)) {
            if (in_word) words.push_back(std::move(word));
            word.clear();
            in_word = false;
            continue;
        }
        if (c == '#' && !in_word) break;
        in_word = true;
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '\\') {
            if (i + 1 == line.size()) throw Failure("backslash at the end of the line", kExitUsage);
            word += line[++i];
        } else {
            word += c;
        }
    }
    if (quote != 0) throw Failure(std::string("unterminated ") + quote + " quote", kExitUsage);
    if (in_word) words.push_back(std::move(word));
    return words;
}

}  // namespace dio
