#include <windows.h>

#include <cstdlib>

#include "simulator_link.h"

namespace dio {

void set_card_path(const std::string& path) { _putenv_s("CH367SIM_CARD", path.c_str()); }

void* find_simulator_function(const char* name) {
    HMODULE driver = GetModuleHandleA("CH367DLL64.dll");
    return driver != nullptr ? reinterpret_cast<void*>(GetProcAddress(driver, name)) : nullptr;
}

}  // namespace dio
