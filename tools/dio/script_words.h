// Splitting one line of a dio script into the words of a command, as a shell would for the
// simple cases: blanks separate words; '...' and "..." group blanks into a word; a backslash
// outside single quotes takes the next character literally; '#' at the start of a word begins a
// comment that runs to the end of the line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dio {

// Throws Failure (a usage error) for an unterminated quote or a trailing backslash.
std::vector<std::string> split_script_line(std::string_view line);

}  // namespace dio
