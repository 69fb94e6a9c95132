// Running the built dio as a separate process, in a scratch directory of its own, as a person
// would from a shell. Every dio process opens its own simulated card.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

struct DioResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// A scratch directory, removed again at the end, and dio run in it.
class DioRunner {
public:
    DioRunner();
    DioRunner(const DioRunner&) = delete;
    DioRunner& operator=(const DioRunner&) = delete;
    ~DioRunner();

    // Runs dio with the arguments in the scratch directory, with the environment variables
    // ("NAME=VALUE") added and standard output redirected as given ("/dev/full"; empty closes
    // it; the default is read back into DioResult::out).
    DioResult dio(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment = {},
                  const std::string& standard_output = "stdout.txt") const;
    // Writes a script into the scratch directory and runs it with `dio run`.
    DioResult run_script(const std::string& script) const;

    std::filesystem::path path(const std::string& name) const { return directory_ / name; }
    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;

private:
    std::filesystem::path directory_;
};

class DioProcess : public ::testing::Test, protected DioRunner {};
