// The card file on Windows: a file mapping, and a named mutex per card file (named after the
// file's full path) as the lock. A mutex whose owner died comes back abandoned, and the waiter
// owns it; the mutex is the system's, so a process id used again cannot leave a stale lock. The
// holder writes its process id and when its command began into the record's lock bytes, so that
// a waiter can say who holds the card; a live holder keeps the mutex even when it makes no
// access, since no other process can release it.
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

// One mutex name per file: the case-folded full path, hashed (FNV-1a), since a mutex name may
// not contain backslashes.
std::wstring mutex_name(const std::wstring& path) {
    wchar_t full[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
    std::wstring name = length > 0 && length < MAX_PATH * 4 ? full : path;
    // The C runtime's case folding, so the simulator DLL needs nothing from user32.
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    std::uint64_t hash = 1469598103934665603ull;
    for (wchar_t c : name) hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    wchar_t text[64];
    swprintf(text, 64, L"Local\\ch367sim-card-%016llx", static_cast<unsigned long long>(hash));
    return text;
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
    HANDLE mutex = nullptr;
    // The holder and command this process last said it waits for: said once, not at every wait.
    std::uint32_t told_holder = 0;
    std::uint64_t told_since = 0;
};

CardFile::CardFile(ch367sim_card_state* state, std::unique_ptr<Platform> platform)
    : state_(state), platform_(std::move(platform)) {}

CardFile::~CardFile() {
    UnmapViewOfFile(state_);
    CloseHandle(platform_->mapping);
    CloseHandle(platform_->mutex);
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
        platform->mutex = CreateMutexW(nullptr, FALSE, mutex_name(name).c_str());
        if (platform->mutex == nullptr) problem = system_error("has no lock");
    }
    if (!problem.empty()) {
        if (view != nullptr) UnmapViewOfFile(view);
        if (platform->mapping != nullptr) CloseHandle(platform->mapping);
        return nullptr;
    }
    return std::unique_ptr<CardFile>(
        new CardFile(static_cast<ch367sim_card_state*>(view), std::move(platform)));
}

CardFile::Taken CardFile::lock(bool observer) {
    const auto wait = static_cast<DWORD>(lock_wait().count());
    DWORD result = WaitForSingleObject(platform_->mutex, wait);
    if (result == WAIT_TIMEOUT) {
        const std::uint32_t holder = lock_owner(*state_).load();
        const std::uint64_t since = lock_since(*state_).load(std::memory_order_relaxed);
        if (platform_->told_holder != holder || platform_->told_since != since) {
            platform_->told_holder = holder;
            platform_->told_since = since;
            say_card_held(holder, since);
        }
        if (observer) return Taken::not_taken;
        result = WaitForSingleObject(platform_->mutex, INFINITE);
    }
    lock_since(*state_).store(0, std::memory_order_relaxed);
    lock_owner(*state_).store(static_cast<std::uint32_t>(GetCurrentProcessId()));
    return result == WAIT_ABANDONED ? Taken::from_gone : Taken::free;
}

void CardFile::unlock() {
    lock_owner(*state_).store(0);
    lock_since(*state_).store(0, std::memory_order_relaxed);
    ReleaseMutex(platform_->mutex);
}

std::uint32_t CardFile::taken_by() { return 0; }

void CardFile::command_started() {
    lock_since(*state_).store(milliseconds_since_1970(), std::memory_order_relaxed);
}

bool CardFile::held_elsewhere(std::uint32_t& pid, std::uint64_t& since_ms) {
    pid = lock_owner(*state_).load();
    since_ms = lock_since(*state_).load(std::memory_order_relaxed);
    return pid != 0 && pid != static_cast<std::uint32_t>(GetCurrentProcessId());
}

}  // namespace ch367sim
