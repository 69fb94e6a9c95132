#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "simulator_link.h"

namespace dio {

namespace {

// dio.exe delay-loads QuorvelWCHDLL.dll, which imports the bridge driver: loading the driver
// first, by the name the library imports it by (so from the same folders), tells a missing
// driver from anything else.
void load(const char* name, const char* missing) {
    if (LoadLibraryA(name) != nullptr) return;
    const DWORD error = GetLastError();
    if (error == ERROR_MOD_NOT_FOUND) throw Failure(missing);
    throw Failure(std::string("cannot load ") + name + " (Windows error " + std::to_string(error) +
                  ")");
}

}  // namespace

void set_card_path(const std::string& path) { _putenv_s("CH367SIM_CARD", path.c_str()); }

// Loading a loaded library again only counts it once more, so threads that race here do no harm.
void load_card_library() {
    static std::atomic<bool> loaded = false;
    if (loaded) return;
    load("CH367DLL64.dll",
         "CH367DLL64.dll, the card's driver library, was not found: install the card's driver, "
         "or copy simulator\\CH367DLL64.dll from the QuorvelWCHDLL package beside dio.exe to "
         "use the simulated card");
    load("QuorvelWCHDLL.dll", "QuorvelWCHDLL.dll was not found: it belongs beside dio.exe");
    loaded = true;
}

void* find_simulator_function(const char* name) {
    load_card_library();
    HMODULE driver = GetModuleHandleA("CH367DLL64.dll");
    return driver != nullptr ? reinterpret_cast<void*>(GetProcAddress(driver, name)) : nullptr;
}

}  // namespace dio
