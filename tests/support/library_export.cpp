#include "library_export.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

const void* library_export(const char* name) {
    HMODULE library = GetModuleHandleA("QuorvelWCHDLL.dll");
    if (library == nullptr) return nullptr;
    return reinterpret_cast<const void*>(GetProcAddress(library, name));
}
#else
#include <dlfcn.h>

const void* library_export(const char* name) { return dlsym(RTLD_DEFAULT, name); }
#endif
