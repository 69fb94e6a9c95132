// The card file on Linux: a shared mapping, and a lock word in the record's lock bytes holding
// the process id of its owner (0 = free), with a futex to sleep on. A waiter that finds the
// owner's process gone takes the lock over.
#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "card_file.h"
#include "card_state.h"
#include "mapping_guard.h"

namespace ch367sim {

namespace {

// How long a waiter sleeps before it looks whether the owner is still alive.
constexpr long kOwnerCheckNanoseconds = 50'000'000;
// How long a process that let go of the card while others waited leaves it to them before it
// competes again: a woken waiter needs this long to run, and without it the process that just
// let go would take the card back at once, every time.
constexpr auto kHandOverTime = std::chrono::milliseconds(2);

std::uint32_t process_id = 0;  // cached: getpid() is a system call; renewed in a forked child

std::uint32_t this_process() {
    if (process_id == 0) {
        process_id = static_cast<std::uint32_t>(getpid());
        pthread_atfork(nullptr, nullptr, [] { process_id = static_cast<std::uint32_t>(getpid()); });
    }
    return process_id;
}

// A process that has exited but not yet been waited for (a zombie) holds nothing any more.
bool process_alive(std::uint32_t pid) {
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%u/stat", pid);
    std::FILE* stat = std::fopen(path, "r");
    if (stat == nullptr) return true;
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    // "pid (name) state ...": the name may hold any character, so the state follows the last ')'.
    const char* name_end = read ? std::strrchr(line, ')') : nullptr;
    return name_end == nullptr || name_end[1] != ' ' || name_end[2] != 'Z';
}

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

std::atomic_ref<std::uint32_t> owner_word(ch367sim_card_state& state) {
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(state.lock));
}
std::atomic_ref<std::uint32_t> waiters_word(ch367sim_card_state& state) {
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(state.lock + 4));
}

}  // namespace

struct CardFile::Platform {
    bool let_go_to_waiters = false;  // the last unlock() found processes waiting
    GuardedMapping mapping;          // the file stays open for the guard to look at
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
    this_process();
    std::unique_ptr<CardFile> file(
        new CardFile(static_cast<ch367sim_card_state*>(mapping.begin), std::move(platform)));
    if (!guard_mapping(file->platform_->mapping)) {
        problem = "is one card file too many for this process";
        return nullptr;
    }
    return file;
}

bool CardFile::lock() {
    const std::uint32_t me = this_process();
    auto owner = owner_word(*state_);
    auto waiters = waiters_word(*state_);
    if (platform_->let_go_to_waiters) {
        platform_->let_go_to_waiters = false;
        const auto until = std::chrono::steady_clock::now() + kHandOverTime;
        while (owner.load() == 0 && waiters.load() != 0 && std::chrono::steady_clock::now() < until) {
            sched_yield();
        }
    }
    std::uint32_t seen = 0;
    if (owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) return false;
    // This process holds the lock only between its own calls to lock() and unlock(): its own id
    // in the word was left by an earlier process that had the same id.
    if (seen == me) return true;
    waiters.fetch_add(1);
    bool took_over = false;
    for (;;) {
        seen = 0;
        if (owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) break;
        timespec timeout{0, kOwnerCheckNanoseconds};
        const long slept = syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(state_->lock),
                                   FUTEX_WAIT, seen, &timeout, nullptr, 0);
        if (slept != 0 && errno == ETIMEDOUT && !process_alive(seen) &&
            owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) {
            took_over = true;
            break;
        }
    }
    waiters.fetch_sub(1);
    return took_over;
}

void CardFile::unlock() {
    owner_word(*state_).store(0);
    platform_->let_go_to_waiters = waiters_word(*state_).load() != 0;
    if (platform_->let_go_to_waiters) {
        syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(state_->lock), FUTEX_WAKE, 1, nullptr,
                nullptr, 0);
    }
}

}  // namespace ch367sim
