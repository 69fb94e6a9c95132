// dio.exe, found beside the running test program, started with CreateProcess.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "dio_launch.h"

namespace {

std::filesystem::path beside_this_program(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(std::wstring(self, length)).parent_path() / name;
}

// One argument as the C runtime splits a command line: quoted, with the backslashes before a
// quote doubled.
std::wstring quoted(const std::wstring& word) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

std::wstring wide(const std::string& text) { return std::filesystem::path(text).wstring(); }

// This process's environment with the variables added (a later one wins), as CreateProcess
// takes it: "NAME=VALUE" strings, each closed by a zero, and one more zero at the end.
std::wstring environment_block(const std::vector<std::string>& added) {
    std::wstring block;
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* entry = current; *entry != L'\0'; entry += wcslen(entry) + 1) {
        block.append(entry).push_back(L'\0');
    }
    FreeEnvironmentStringsW(current);
    for (const std::string& variable : added) block.append(wide(variable)).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

HANDLE inheritable_file(const std::filesystem::path& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int launch_dio(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment, const std::filesystem::path& out,
               const std::filesystem::path& err) {
    const std::filesystem::path program = beside_this_program(L"dio.exe");
    std::wstring command_line = quoted(program.wstring());
    for (const std::string& argument : arguments) command_line += L" " + quoted(wide(argument));
    std::wstring variables = environment_block(environment);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable_file(L"NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput =
        out.empty() ? INVALID_HANDLE_VALUE : inheritable_file(out, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = inheritable_file(err, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT, variables.data(), directory.c_str(), &startup,
                       &process) != 0;
    for (HANDLE file : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    const bool exited = GetExitCodeProcess(process.hProcess, &code) != 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exited ? static_cast<int>(code) : -1;
}
