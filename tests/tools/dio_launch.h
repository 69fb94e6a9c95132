// Starting the built dio as a process of its own, the platform's way.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Runs dio in `directory` with the arguments, the environment variables ("NAME=VALUE") added to
// this process's, no standard input, and standard output and error into the two files (an empty
// `out` starts it with standard output closed). Returns
// its exit code, or -1 when it could not be run or did not exit normally.
int launch_dio(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment, const std::filesystem::path& out,
               const std::filesystem::path& err);
