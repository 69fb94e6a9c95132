// How dio reports that something went wrong: every failure is a Failure carrying the message to
// print and the exit status of the process.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dio {

// Exit statuses of the dio process.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,  // a command failed: the card reported a status, a file was unusable
    kExitUsage = 2,    // the command line (or a script line) did not parse
    kExitDiffer = 3,   // compare: the two pictures differ
};

class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& message, int exit_code = kExitFailure)
        : std::runtime_error(message), exit_code_(exit_code) {}
    int exit_code() const { return exit_code_; }

private:
    int exit_code_;
};

// A failure whose message already says where it happened ("script.dio:5: step: ..."), which
// the command running the script passes on unchanged.
class LocatedFailure : public Failure {
public:
    using Failure::Failure;
};

// Throws the library's message for a status code.
[[noreturn]] void fail_with_status(std::int16_t status);
// Throws when status is negative (a failure); 0 and byte counts pass.
void check_status(std::int16_t status);
// The run-control and register-write exports report a failed bus transaction only through their
// success flag; dio reports it with the message of a failed SPI write.
void check_flag(std::uint8_t success_flag);

}  // namespace dio
