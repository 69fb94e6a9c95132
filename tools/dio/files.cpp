#include "files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

#include "failure.h"
#include "replacing_file.h"
#include "standard_output.h"

namespace dio {

namespace {

constexpr std::string_view kStandardStream = "-";

[[noreturn]] void fail_on_file(const char* what, const std::string& path, const std::string& reason) {
    throw Failure(std::string("cannot ") + what + " '" + path + "': " + reason);
}

[[noreturn]] void fail_on_file(const char* what, const std::string& path) {
    fail_on_file(what, path, std::strerror(errno));
}

// The stream's content up to the limit; a Failure once there is more. The name says what the
// stream is in messages: "'words.bin'", "standard input".
std::string read_stream(std::istream& stream, const std::string& name, InputLimit limit) {
    std::string content;
    char block[64 * 1024];
    while (stream.read(block, sizeof block) || stream.gcount() > 0) {
        content.append(block, static_cast<std::size_t>(stream.gcount()));
        if (content.size() > limit.bytes) {
            throw Failure(name + " is longer than " + std::string(limit.description) +
                          "; stopped reading there");
        }
    }
    if (stream.bad()) throw Failure("cannot read " + name + ": " + std::strerror(errno));
    return content;
}

}  // namespace

std::string read_file(const std::string& path, InputLimit limit) {
    if (path == kStandardStream) return read_stream(std::cin, "standard input", limit);
    // A directory opens as a stream on some systems and then reads as empty.
    std::error_code no_status;
    if (std::filesystem::is_directory(path, no_status)) {
        fail_on_file("open", path, std::make_error_code(std::errc::is_a_directory).message());
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) fail_on_file("open", path);
    return read_stream(file, "'" + path + "'", limit);
}

void check_regular_file(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) fail_on_file("open", path, error.message());
    if (std::filesystem::is_directory(status)) {
        fail_on_file("open", path, std::make_error_code(std::errc::is_a_directory).message());
    }
    if (!std::filesystem::is_regular_file(status)) fail_on_file("open", path, "not a regular file");
}

void write_file(const std::string& path, std::string_view text) {
    if (path == kStandardStream) return write_standard_output(text);
    // Written beside the file and renamed over it when whole: a full disk leaves the old file.
    outputfiles::ReplacingFile file(path);
    if (file.stream() == nullptr) fail_on_file("create", path);
    file.write(text.data(), text.size());
    if (!file.commit()) fail_on_file("write", path);
}

void write_file(const std::string& path, std::span<const std::uint8_t> bytes) {
    write_file(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace dio
