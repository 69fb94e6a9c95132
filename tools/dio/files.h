// Whole files in and out, with failures reported as dio failures naming the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace dio {

// The most a file may hold for what dio reads it as, and how that limit reads in a message.
struct InputLimit {
    std::size_t bytes;
    std::string_view description;  // "a memory (65536 words)"
};

// Text files dio reads (scripts, hex text): far beyond any real one, and a bound on what a
// device or an endless pipe named by mistake can take.
inline constexpr InputLimit kTextLimit{16 * 1024 * 1024, "16 MiB"};

// The whole file; "-" reads standard input. Reading stops with a Failure once the content
// grows past the limit. A directory or a file that does not open is a Failure naming it.
std::string read_file(const std::string& path, InputLimit limit);
// Throws Failure "cannot open 'PATH': REASON" unless the path names a regular file: for files
// handed to the library, which reads them whole by their size.
void check_regular_file(const std::string& path);
// Replaces the file with the bytes, which appear only when all are written (a failed write
// leaves the earlier file as it was); "-" writes standard output.
void write_file(const std::string& path, std::span<const std::uint8_t> bytes);
void write_file(const std::string& path, std::string_view text);

}  // namespace dio
