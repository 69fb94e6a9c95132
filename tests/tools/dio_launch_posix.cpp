#include <sys/wait.h>

#include <cstdlib>

#include "dio_launch.h"

namespace {

std::string quoted(const std::string& word) {
    std::string text = "'";
    for (char c : word) text += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

}  // namespace

int launch_dio(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment, const std::filesystem::path& out,
               const std::filesystem::path& err) {
    std::string command = "cd " + quoted(directory.string()) + " && env";
    for (const std::string& variable : environment) command += " " + quoted(variable);
    command += " " + quoted(DIO_PATH);
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    command += (out.empty() ? " >&-" : " >" + quoted(out.string())) + " 2>" + quoted(err.string()) +
               " </dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
