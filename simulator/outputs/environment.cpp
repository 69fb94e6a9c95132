#include "environment.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "display_png.h"
#include "environment_number.h"

namespace ch367sim {

namespace {

// `path` made absolute against the working directory of now, so that a program that changes
// directory later still writes where it was asked to; unchanged when that cannot be done.
std::string absolute(const std::string& path) {
    if (path.empty()) return path;
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::absolute(path, error);
    return error ? path : resolved.string();
}

// The file `name` asks for: its own variable when set (even empty), else the default name in
// the output directory, else none.
std::string requested_path(const char* name, const char* default_file, const char* directory) {
    if (const char* value = std::getenv(name)) return absolute(value);
    if (directory == nullptr || *directory == '\0') return {};
    std::string path = directory;
    if (path.back() != '/' && path.back() != '\\') path += '/';
    return absolute(path + default_file);
}

std::uint64_t requested_vcd_limit() {
    const auto limit = environment_number(std::getenv("CH367SIM_VCD_LIMIT"));
    return limit && *limit > 0 ? *limit : kDefaultVcdLimit;
}

unsigned requested_scale() {
    const auto scale = environment_number(std::getenv("CH367SIM_PNG_SCALE"));
    return scale && *scale > 0 && *scale <= kMaxPngScale ? static_cast<unsigned>(*scale) : 1;
}

}  // namespace

OutputRequest output_request_from_environment() {
    const char* directory = std::getenv("CH367SIM_OUTPUT_DIR");
    OutputRequest request;
    request.png = requested_path("CH367SIM_PNG", "panel.png", directory);
    request.png_scale = requested_scale();
    request.vcd = requested_path("CH367SIM_VCD", "bus.vcd", directory);
    request.vcd_limit = requested_vcd_limit();
    const char* vector = std::getenv("CH367SIM_VCD_VECTOR");
    request.vcd_vector = vector != nullptr && std::string(vector) == "1";
    request.log = requested_path("CH367SIM_LOG", "commands.log", directory);
    request.state = requested_path("CH367SIM_STATE", "state.txt", directory);
    request.cost = requested_path("CH367SIM_COST", "cost.txt", directory);
    request.trace = requested_path("CH367SIM_TRACE", "bus.trace", directory);
    return request;
}

}  // namespace ch367sim
