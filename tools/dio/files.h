// Whole files in and out, with failures reported as dio failures naming the file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace dio {

// The whole file; "-" reads standard input.
std::string read_file(const std::string& path);
// Replaces the file with the bytes; "-" writes standard output.
void write_file(const std::string& path, std::span<const std::uint8_t> bytes);
void write_file(const std::string& path, std::string_view text);

}  // namespace dio
