#include "dio_process.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string quoted(const std::string& word) {
    std::string text = "'";
    for (char c : word) text += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

}  // namespace

void DioProcess::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dio_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
}

void DioProcess::TearDown() { std::filesystem::remove_all(directory_); }

DioResult DioProcess::dio(const std::vector<std::string>& arguments) const {
    std::string command = "cd " + quoted(directory_.string()) + " && " + quoted(DIO_PATH);
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    command += " >stdout.txt 2>stderr.txt </dev/null";
    const int status = std::system(command.c_str());
    DioResult result;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = read("stdout.txt");
    result.err = read("stderr.txt");
    return result;
}

DioResult DioProcess::run_script(const std::string& script) const {
    write("script.dio", script);
    return dio({"run", "script.dio"});
}

void DioProcess::write(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
}

std::string DioProcess::read(const std::string& name) const {
    std::ifstream file(path(name), std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}
