// Standard output, where a write that fails is a failure: output that was lost must not end in
// exit status 0 (a closed standard output, a full disk).
#pragma once

#include <string_view>

namespace dio {

// Writes the text to standard output and flushes it; throws Failure when that fails.
void write_standard_output(std::string_view text);
// Throws Failure when anything written to standard output so far, by dio or by the library's
// diagnostics, was lost.
void check_standard_output();

}  // namespace dio
