#include <dlfcn.h>
#include <unistd.h>

#include "driver_library.h"

namespace ch367rec {

namespace {

template <typename Function>
bool find(void* library, const char* name, Function& function, std::string& error) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (function == nullptr) error = std::string("it has no ") + name;
    return function != nullptr;
}

}  // namespace

bool load_driver(const std::string& path, DriverFunctions& functions, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "it could not be loaded";
        return false;
    }
    DriverFunctions found;
    if (find(library, "CH367OpenDevice", found.open_device, error) &&
        find(library, "CH367GetIoBaseAddr", found.get_io_base, error) &&
        find(library, "CH367ReadIoByte", found.read_io_byte, error) &&
        find(library, "CH367WriteIoByte", found.write_io_byte, error) &&
        find(library, "CH367CloseDevice", found.close_device, error)) {
        functions = found;
        return true;
    }
    dlclose(library);
    return false;
}

std::string default_driver_path() { return {}; }

std::uint32_t process_id() { return static_cast<std::uint32_t>(getpid()); }

}  // namespace ch367rec
