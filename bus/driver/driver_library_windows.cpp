#include <windows.h>

#include "driver_library.h"

namespace ch367bus {

namespace {

std::string last_error_text() {
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD size = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = size != 0 ? std::string(text, size) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

}  // namespace

bool load_driver(const std::string& path, DriverFunctions& functions, std::string& error) {
    // By full path, with its own directory searched for what it depends on.
    HMODULE library = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr) {
        error = last_error_text();
        return false;
    }
    DriverFunctions found;
    if (find_driver_functions([&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(library, name)); }, found, error)) {
        functions = found;
        return true;
    }
    FreeLibrary(library);
    return false;
}

std::string default_driver_path() {
    char directory[MAX_PATH];
    const UINT size = GetSystemDirectoryA(directory, MAX_PATH);
    if (size == 0 || size >= MAX_PATH) return {};
    return std::string(directory, size) + "\\CH367DLL64.dll";
}

std::uint32_t process_id() { return GetCurrentProcessId(); }

}  // namespace ch367bus
