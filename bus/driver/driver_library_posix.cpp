#include <dlfcn.h>
#include <unistd.h>

#include "driver_library.h"

namespace ch367bus {

bool load_driver(const std::string& path, DriverFunctions& functions, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "it could not be loaded";
        return false;
    }
    DriverFunctions found;
    if (find_driver_functions([&](const char* name) { return dlsym(library, name); }, found, error)) {
        functions = found;
        return true;
    }
    dlclose(library);
    return false;
}

std::string default_driver_path() { return {}; }

std::uint32_t process_id() { return static_cast<std::uint32_t>(getpid()); }

}  // namespace ch367bus
