// The card file on Linux: a shared mapping, guarded against losing its pages, and the lock
// word's futex to sleep on; a process's start time is the one /proc gives.
#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "card_file.h"
#include "card_lock.h"
#include "card_state.h"
#include "mapping_guard.h"

namespace ch367sim {

namespace {

// How long a waiter sleeps before it looks whether the owner is still alive.
constexpr long kOwnerCheckNanoseconds = 50'000'000;


// A process as /proc shows it: whether it lives (a zombie, exited but not yet waited for, holds
// nothing any more), and when it started (0 when not known).
struct ProcessLook {
    bool alive = true;
    std::uint64_t start = 0;
};

ProcessLook look_at_process(std::uint32_t pid) {
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return {false, 0};
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%u/stat", pid);
    std::FILE* stat = std::fopen(path, "r");
    if (stat == nullptr) return {};
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    // "pid (name) state ... starttime ...": the name may hold any character, so the fields are
    // counted from the last ')'; the start time is the 22nd field, the 20th after the name.
    const char* field = read ? std::strrchr(line, ')') : nullptr;
    if (field == nullptr || field[1] != ' ') return {};
    ProcessLook look;
    look.alive = field[2] != 'Z';
    for (int n = 0; n < 20 && field != nullptr; ++n) field = std::strchr(field + 1, ' ');
    if (field != nullptr) look.start = std::strtoull(field + 1, nullptr, 10);
    return look;
}

// getpid() is a system call: the id is kept, and renewed in a forked child.
void note_this_process() {
    if (this_process.id != 0) return;
    const auto renew = [] {
        this_process.id = static_cast<std::uint32_t>(getpid());
        this_process.start = look_at_process(this_process.id).start;
    };
    renew();
    pthread_atfork(nullptr, nullptr, renew);
}

}  // namespace

bool holder_gone(ch367sim_card_state& state, std::uint32_t pid) {
    const ProcessLook look = look_at_process(pid);
    if (!look.alive) return true;
    // Read after the look at /proc: a holder that has just taken the lock has written its start
    // time by then.
    const std::uint64_t recorded = lock_owner_start(state).load();
    return recorded != 0 && look.start != 0 && recorded != look.start;
}

bool process_lives(std::uint32_t pid) { return look_at_process(pid).alive; }

namespace {

std::string system_error(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Reserves the record's storage in a temporary file beside `path`, writes the whole record to it
// and links it to `path`; another process that created the card first wins, which is as good.
// Reserving first means a file system too full for the card refuses it here, not at a later
// access to a page it cannot back.
bool create(const std::string& path, const ch367sim_card_state& power_on, std::string& problem) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        problem = system_error("cannot be created");
        return false;
    }
    const int reserved = posix_fallocate(fd, 0, sizeof power_on);
    if (reserved != 0) {
        errno = reserved;
        problem = system_error(("cannot be created: its " + std::to_string(sizeof power_on) +
                                " bytes cannot be reserved").c_str());
    }
    const auto* bytes = reinterpret_cast<const char*>(&power_on);
    std::size_t done = 0;
    while (reserved == 0 && done < sizeof power_on) {
        const ssize_t written = write(fd, bytes + done, sizeof power_on - done);
        if (written <= 0 && errno != EINTR) break;
        if (written > 0) done += static_cast<std::size_t>(written);
    }
    const bool written = done == sizeof power_on;
    const bool whole = close(fd) == 0 && written;
    if (!whole && reserved == 0) problem = system_error("cannot be created");
    const bool linked = whole && (link(temporary.c_str(), path.c_str()) == 0 || errno == EEXIST);
    if (whole && !linked) problem = system_error("cannot be created");
    unlink(temporary.c_str());
    return linked;
}

// A card file with holes (a sparse copy) has pages that storage may not be able to back when
// they are first written: those are reserved now, which changes no byte. A file system that
// reserves nothing ahead (EOPNOTSUPP) is used as it is.
std::string back_fully(int fd, const struct stat& status) {
    if (status.st_blocks * 512 >= status.st_size) return {};
    if (fallocate(fd, 0, 0, status.st_size) == 0 || errno == EOPNOTSUPP) return {};
    return system_error("is not fully backed by storage (a sparse file), and cannot be");
}

}  // namespace

struct CardFile::Platform {
    GuardedMapping mapping;  // the file stays open for the guard to look at
};

CardFile::CardFile(ch367sim_card_state* state, std::unique_ptr<Platform> platform)
    : state_(state), platform_(std::move(platform)) {
    platform_->mapping.lost = &lost_;
}

CardFile::~CardFile() {
    forget_mapping(platform_->mapping);
    munmap(state_, sizeof *state_);
    close(platform_->mapping.fd);
}

std::string CardFile::loss() const {
    const GuardedMapping& mapping = platform_->mapping;
    const std::int64_t size = mapping.file_size_at_loss.load(std::memory_order_relaxed);
    const char* gone = "; the card is gone for this program";
    if (size >= 0 && static_cast<std::uint64_t>(size) < sizeof *state_) {
        return "was cut to " + std::to_string(size) + " bytes while in use (truncated, or copied over)" + gone;
    }
    if (mapping.free_blocks_at_loss.load(std::memory_order_relaxed) == 0) {
        return std::string("could not be backed by storage while in use (its file system is full)") + gone;
    }
    // Whole again by the time the fault was looked at: written again after it was cut.
    return std::string("was cut short while in use and written again (copied over)") + gone;
}

std::unique_ptr<CardFile> CardFile::open(const std::string& path,
                                         const ch367sim_card_state& power_on, std::string& problem) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        if (!create(path, power_on, problem)) return nullptr;
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
    if (fd < 0) {
        problem = errno == EISDIR ? "is a directory" : system_error("cannot be opened");
        return nullptr;
    }
    struct stat status {};
    std::uint8_t header[kCardHeaderBytes] = {};
    ssize_t count = 0;
    const bool stated = fstat(fd, &status) == 0;
    if (stated && !S_ISREG(status.st_mode)) {
        problem = "is not a regular file";
    } else if (!stated || (count = pread(fd, header, sizeof header, 0)) < 0) {
        problem = system_error("cannot be read");
    } else {
        problem = card_file_problem(header, static_cast<std::size_t>(count),
                                    static_cast<std::uint64_t>(status.st_size));
    }
    if (problem.empty()) problem = back_fully(fd, status);
    auto platform = std::make_unique<Platform>();
    GuardedMapping& mapping = platform->mapping;
    mapping.fd = fd;
    mapping.size = sizeof(ch367sim_card_state);
    if (problem.empty()) {
        mapping.begin = mmap(nullptr, mapping.size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (mapping.begin == MAP_FAILED) problem = system_error("cannot be mapped");
    }
    if (!problem.empty()) {
        if (mapping.begin != nullptr && mapping.begin != MAP_FAILED) munmap(mapping.begin, mapping.size);
        close(fd);
        return nullptr;
    }
    note_this_process();
    std::unique_ptr<CardFile> file(
        new CardFile(static_cast<ch367sim_card_state*>(mapping.begin), std::move(platform)));
    if (!guard_mapping(file->platform_->mapping)) {
        problem = "is one card file too many for this process";
        return nullptr;
    }
    return file;
}

bool CardFile::sleep_while_held(std::uint32_t seen) {
    timespec timeout{0, kOwnerCheckNanoseconds};
    const long slept = syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(state_->lock),
                               FUTEX_WAIT, seen, &timeout, nullptr, 0);
    return slept == 0 || errno != ETIMEDOUT;
}

void CardFile::wake_a_waiter() {
    syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(state_->lock), FUTEX_WAKE, 1, nullptr,
            nullptr, 0);
}

void CardFile::command_started() {
    // The coarse clock (a few ms) is read from memory; the exact one can be a system call in a
    // virtual machine, once per command.
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    lock_since(*state_).store(static_cast<std::uint64_t>(now.tv_sec) * 1000 +
                                  static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000,
                              std::memory_order_relaxed);
}

}  // namespace ch367sim
