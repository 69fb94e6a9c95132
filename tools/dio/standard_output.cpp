#include "standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "failure.h"

namespace dio {

namespace {

[[noreturn]] void fail_to_write(int error) {
    std::string message = "cannot write to standard output";
    if (error != 0) message += std::string(": ") + std::strerror(error);
    throw Failure(message);
}

}  // namespace

void write_standard_output(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) fail_to_write(errno);
    check_standard_output();
}

void check_standard_output() {
    errno = 0;
    // The error flag stays set after a lost write, even once a later flush has nothing to send.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) fail_to_write(errno);
}

}  // namespace dio
