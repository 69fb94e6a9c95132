#include "dio_process.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string quoted(const std::string& word) {
    std::string text = "'";
    for (char c : word) text += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

}  // namespace

DioRunner::DioRunner() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dio_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no scratch directory");
    directory_ = pattern;
}

DioRunner::~DioRunner() { std::filesystem::remove_all(directory_); }

DioResult DioRunner::dio(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment,
                         const std::string& standard_output) const {
    std::string command = "cd " + quoted(directory_.string()) + " && env";
    for (const std::string& variable : environment) command += " " + quoted(variable);
    command += " " + quoted(DIO_PATH);
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    write("stdout.txt", "");
    command += " >" + standard_output + " 2>stderr.txt </dev/null";
    const int status = std::system(command.c_str());
    DioResult result;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = read("stdout.txt");
    result.err = read("stderr.txt");
    return result;
}

DioResult DioRunner::run_script(const std::string& script) const {
    write("script.dio", script);
    return dio({"run", "script.dio"});
}

void DioRunner::write(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
}

std::string DioRunner::read(const std::string& name) const {
    std::ifstream file(path(name), std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}
