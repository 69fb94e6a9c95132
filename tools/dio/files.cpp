#include "files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "failure.h"

namespace dio {

namespace {

constexpr std::string_view kStandardStream = "-";

[[noreturn]] void fail_on_file(const char* what, const std::string& path) {
    throw Failure(std::string("cannot ") + what + " '" + path + "': " + std::strerror(errno));
}

}  // namespace

std::string read_file(const std::string& path) {
    if (path == kStandardStream) {
        return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) fail_on_file("open", path);
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) fail_on_file("read", path);
    return std::move(content).str();
}

void write_file(const std::string& path, std::string_view text) {
    if (path == kStandardStream) {
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
        std::cout.flush();
        if (!std::cout) throw Failure("cannot write to standard output");
        return;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) fail_on_file("create", path);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) fail_on_file("write", path);
}

void write_file(const std::string& path, std::span<const std::uint8_t> bytes) {
    write_file(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace dio
