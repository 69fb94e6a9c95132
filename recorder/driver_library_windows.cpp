#include <windows.h>

#include "driver_library.h"

namespace ch367rec {

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

template <typename Function>
bool find(HMODULE library, const char* name, Function& function, std::string& error) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    if (function == nullptr) error = std::string("it has no ") + name;
    return function != nullptr;
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
    if (find(library, "CH367OpenDevice", found.open_device, error) &&
        find(library, "CH367GetIoBaseAddr", found.get_io_base, error) &&
        find(library, "CH367ReadIoByte", found.read_io_byte, error) &&
        find(library, "CH367WriteIoByte", found.write_io_byte, error) &&
        find(library, "CH367CloseDevice", found.close_device, error)) {
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

}  // namespace ch367rec
