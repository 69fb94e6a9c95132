// Running dio commands: one from the process's command line, or one per line of a script.
#pragma once

#include <string>
#include <vector>

#include "command_parser.h"

namespace dio {

class Session;

// Parses and runs one command in the session; prints help to standard output when asked for.
// Throws Failure for a usage error (exit code kExitUsage) and for a failed command, whose path
// ("oled text") then leads the message.
void run_command(std::vector<std::string> words, Session& session, Scope scope);

// The dio process: runs the command given by its arguments (without the program name) in a new
// session, prints any failure on standard error and returns the exit status.
int run_program(std::vector<std::string> words);

}  // namespace dio
