// Diagnostic lines on standard output: the library's only logging, written while a bitmap file
// is loaded.
#pragma once

namespace quorvel::link {

// Formats like printf and writes the text to standard output. Returns the number of characters
// written, or a negative value when the output fails.
int diagnostic_print(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace quorvel::link
