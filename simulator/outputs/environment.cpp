#include "environment.h"

#include <cstdlib>

#include "display_png.h"

namespace ch367sim {

namespace {

// The file `name` asks for: its own variable when set (even empty), else the default name in
// the output directory, else none.
std::string requested_path(const char* name, const char* default_file, const char* directory) {
    if (const char* value = std::getenv(name)) return value;
    if (directory == nullptr || *directory == '\0') return {};
    std::string path = directory;
    if (path.back() != '/' && path.back() != '\\') path += '/';
    return path + default_file;
}

unsigned requested_scale() {
    const char* value = std::getenv("CH367SIM_PNG_SCALE");
    if (value == nullptr) return 1;
    char* end = nullptr;
    const unsigned long scale = std::strtoul(value, &end, 10);
    if (end == value || *end != '\0' || scale == 0 || scale > kMaxPngScale) return 1;
    return static_cast<unsigned>(scale);
}

}  // namespace

OutputRequest output_request_from_environment() {
    const char* directory = std::getenv("CH367SIM_OUTPUT_DIR");
    OutputRequest request;
    request.png = requested_path("CH367SIM_PNG", "panel.png", directory);
    request.png_scale = requested_scale();
    request.vcd = requested_path("CH367SIM_VCD", "bus.vcd", directory);
    request.log = requested_path("CH367SIM_LOG", "commands.log", directory);
    request.state = requested_path("CH367SIM_STATE", "state.txt", directory);
    request.cost = requested_path("CH367SIM_COST", "cost.txt", directory);
    return request;
}

}  // namespace ch367sim
