// The card file on Windows: a file mapping, and a named event per card file (named after the
// file's full path) that a process letting go of the lock word wakes a waiter with. A process's
// start time is its creation time; a process that has exited, or a process of the holder's id
// created at another time, holds nothing.
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <cwctype>

#include "card_file.h"
#include "card_lock.h"
#include "card_state.h"

namespace ch367sim {

namespace {

std::wstring wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), length);
    result.resize(std::wcslen(result.c_str()));
    return result;
}

std::string system_error(const char* what) {
    char message[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, message, sizeof message, nullptr);
    std::string text = std::string(what) + ": " + message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// One event name per file: the case-folded full path, hashed (FNV-1a), since an object's name
// may not contain backslashes.
std::wstring wake_event_name(const std::wstring& path) {
    wchar_t full[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
    std::wstring name = length > 0 && length < MAX_PATH * 4 ? full : path;
    // The C runtime's case folding, so the simulator DLL needs nothing from user32.
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    std::uint64_t hash = 1469598103934665603ull;
    for (wchar_t c : name) hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    wchar_t text[64];
    swprintf(text, 64, L"Local\\ch367sim-card-wake-%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// How long a waiter sleeps before it looks whether the owner is still alive.
constexpr DWORD kOwnerCheckMilliseconds = 50;

std::uint64_t file_time(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The creation time of `process` (0 when it cannot be told).
std::uint64_t creation_time(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    return GetProcessTimes(process, &created, &exited, &kernel, &user) ? file_time(created) : 0;
}

// Writes the whole record to a temporary file beside `path` and moves it to `path` unless a
// card is there already (another process created it first, which is as good).
bool create(const std::wstring& path, const ch367sim_card_state& power_on, std::string& problem) {
    const std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = system_error("cannot be created");
        return false;
    }
    DWORD written = 0;
    const bool whole = WriteFile(file, &power_on, sizeof power_on, &written, nullptr) &&
                       written == sizeof power_on;
    CloseHandle(file);
    const bool moved = whole && (MoveFileExW(temporary.c_str(), path.c_str(), 0) ||
                                 GetLastError() == ERROR_ALREADY_EXISTS);
    if (!moved) problem = system_error("cannot be created");
    DeleteFileW(temporary.c_str());
    return moved;
}

}  // namespace

struct CardFile::Platform {
    HANDLE mapping = nullptr;
    HANDLE wake = nullptr;  // an auto-reset event: one waiter goes per hand-over
};

CardFile::CardFile(ch367sim_card_state* state, std::unique_ptr<Platform> platform)
    : state_(state), platform_(std::move(platform)) {}

CardFile::~CardFile() {
    UnmapViewOfFile(state_);
    CloseHandle(platform_->mapping);
    CloseHandle(platform_->wake);
}

// Windows refuses to truncate a file that is mapped, and a sparse card file is refused at open,
// so nothing pulls the pages away from a mapped card here: lost() stays false.
std::string CardFile::loss() const { return "could not be read while in use"; }

std::unique_ptr<CardFile> CardFile::open(const std::string& path,
                                         const ch367sim_card_state& power_on, std::string& problem) {
    const std::wstring name = wide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        problem = "is a directory";
        return nullptr;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES && !create(name, power_on, problem)) return nullptr;
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = system_error("cannot be opened");
        return nullptr;
    }
    LARGE_INTEGER size{};
    std::uint8_t header[kCardHeaderBytes] = {};
    DWORD count = 0;
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(file) != FILE_TYPE_DISK) {
        problem = "is not a regular file";
    } else if (!GetFileSizeEx(file, &size) || !ReadFile(file, header, sizeof header, &count, nullptr) ||
               !GetFileInformationByHandle(file, &information)) {
        problem = system_error("cannot be read");
    } else {
        problem = card_file_problem(header, count, static_cast<std::uint64_t>(size.QuadPart));
    }
    // A write to a hole of a mapped sparse file that the disk has no room for raises an in-page
    // error at that access; a card file made by this simulator is never sparse.
    if (problem.empty() && (information.dwFileAttributes & FILE_ATTRIBUTE_SPARSE_FILE) != 0) {
        problem = "is a sparse file (storage is not reserved for all of it); a card file is a plain file";
    }
    auto platform = std::make_unique<Platform>();
    void* view = nullptr;
    if (problem.empty()) {
        platform->mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
        if (platform->mapping != nullptr) {
            view = MapViewOfFile(platform->mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ch367sim_card_state));
        }
        if (view == nullptr) problem = system_error("cannot be mapped");
    }
    CloseHandle(file);
    if (view != nullptr) {
        platform->wake = CreateEventW(nullptr, FALSE, FALSE, wake_event_name(name).c_str());
        if (platform->wake == nullptr) problem = system_error("has no lock");
    }
    if (!problem.empty()) {
        if (view != nullptr) UnmapViewOfFile(view);
        if (platform->mapping != nullptr) CloseHandle(platform->mapping);
        return nullptr;
    }
    this_process.id = static_cast<std::uint32_t>(GetCurrentProcessId());
    this_process.start = creation_time(GetCurrentProcess());
    return std::unique_ptr<CardFile>(
        new CardFile(static_cast<ch367sim_card_state*>(view), std::move(platform)));
}

bool holder_gone(ch367sim_card_state& state, std::uint32_t pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    const bool exited = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    const std::uint64_t start = creation_time(process);
    CloseHandle(process);
    if (exited) return true;
    // Read after the look at the process: a holder that has just taken the lock has written its
    // start time by then.
    const std::uint64_t recorded = lock_owner_start(state).load();
    return recorded != 0 && start != 0 && recorded != start;
}

bool process_lives(std::uint32_t pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
    const bool exited = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return !exited;
}

bool CardFile::sleep_while_held(std::uint32_t seen) {
    if (lock_owner(*state_).load() != seen) return true;
    return WaitForSingleObject(platform_->wake, kOwnerCheckMilliseconds) == WAIT_OBJECT_0;
}

void CardFile::wake_a_waiter() { SetEvent(platform_->wake); }

void CardFile::command_started() {
    lock_since(*state_).store(milliseconds_since_1970(), std::memory_order_relaxed);
}

}  // namespace ch367sim
