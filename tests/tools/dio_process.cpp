#include "dio_process.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "dio_launch.h"

DioRunner::DioRunner() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        directory_ = std::filesystem::temp_directory_path() / ("dio_test_" + std::to_string(random()));
        if (std::filesystem::create_directory(directory_)) return;
    }
    throw std::runtime_error("no scratch directory");
}

DioRunner::~DioRunner() { std::filesystem::remove_all(directory_); }

DioResult DioRunner::dio(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment,
                         const std::string& standard_output) const {
    DioResult result;
    write("stdout.txt", "");
    const std::filesystem::path out = standard_output.empty() ? "" : path(standard_output);
    result.exit_code = launch_dio(directory_, arguments, environment, out, path("stderr.txt"));
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
