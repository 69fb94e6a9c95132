// The card file on Linux: a shared mapping, and a lock word in the record's lock bytes holding
// the process id of its owner (0 = free), with a futex to sleep on, and beside it the owner's
// start time. A waiter that finds the owner's process gone, or a process of that id that started
// at another time, takes the lock over; so does one whose owner made no access for the lock wait.
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
// How long a process that let go of the card while others waited leaves it to them before it
// competes again: a woken waiter needs this long to run, and without it the process that just
// let go would take the card back at once, every time.
constexpr auto kHandOverTime = std::chrono::milliseconds(2);

std::uint32_t process_id = 0;  // cached: getpid() is a system call; renewed in a forked child
std::uint64_t process_start = 0;

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

std::uint32_t this_process() {
    if (process_id == 0) {
        const auto renew = [] {
            process_id = static_cast<std::uint32_t>(getpid());
            process_start = look_at_process(process_id).start;
        };
        renew();
        pthread_atfork(nullptr, nullptr, renew);
    }
    return process_id;
}

// The lock's owner `pid` is not the process that took it: that one is gone.
bool owner_gone(ch367sim_card_state& state, std::uint32_t pid) {
    const ProcessLook look = look_at_process(pid);
    if (!look.alive) return true;
    // Read after the look at /proc: a holder that has just taken the lock has written its start
    // time by then.
    const std::uint64_t recorded = lock_owner_start(state).load();
    return recorded != 0 && look.start != 0 && recorded != look.start;
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

}  // namespace

struct CardFile::Platform {
    bool let_go_to_waiters = false;  // the last unlock() found processes waiting
    GuardedMapping mapping;          // the file stays open for the guard to look at
    // The holder and command this process last said it waits for: said once, not at every wait.
    std::uint32_t told_holder = 0;
    std::uint64_t told_since = 0;
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

CardFile::Taken CardFile::lock(bool observer) {
    const std::uint32_t me = this_process();
    auto owner = lock_owner(*state_);
    auto waiters = lock_waiters(*state_);
    if (platform_->let_go_to_waiters) {
        platform_->let_go_to_waiters = false;
        const auto until = std::chrono::steady_clock::now() + kHandOverTime;
        while (owner.load() == 0 && waiters.load() != 0 && std::chrono::steady_clock::now() < until) {
            sched_yield();
        }
    }
    Taken taken = Taken::free;
    std::uint32_t seen = 0;
    if (owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) {
        // Taken at once, from a holder that let go: its unlock() cleared the command's start.
    } else if (seen == me) {
        // This process holds the lock only between its own calls to lock() and unlock(): its own
        // id in the word was left by an earlier process that had the same id.
        taken = Taken::from_gone;
    } else {
        taken = wait_for_lock(observer);
        if (taken == Taken::not_taken) return taken;
    }
    if (taken != Taken::free) lock_since(*state_).store(0, std::memory_order_relaxed);
    lock_owner_start(*state_).store(process_start, std::memory_order_relaxed);
    holder_id_ = me;
    return taken;
}

CardFile::Taken CardFile::wait_for_lock(bool observer) {
    const std::uint32_t me = this_process();
    auto owner = lock_owner(*state_);
    lock_waiters(*state_).fetch_add(1);
    using Clock = std::chrono::steady_clock;
    const auto wait = lock_wait();
    const auto start = Clock::now();
    auto last_access = start;
    std::uint64_t accesses = card_accesses(*state_);
    Taken taken = Taken::not_taken;
    for (;;) {
        std::uint32_t seen = 0;
        if (owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) {
            taken = Taken::free;
            break;
        }
        timespec timeout{0, kOwnerCheckNanoseconds};
        const long slept = syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(state_->lock),
                                   FUTEX_WAIT, seen, &timeout, nullptr, 0);
        if (slept == 0 || errno != ETIMEDOUT) continue;
        if (owner_gone(*state_, seen)) {
            if (!owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) continue;
            // A dead holder needs no word; a live process of its id, that never had the card, does.
            if (look_at_process(seen).alive) say_card_taken_from_stale(seen);
            taken = Taken::from_gone;
            break;
        }
        const auto now = Clock::now();
        const std::uint64_t accesses_now = card_accesses(*state_);
        if (accesses_now != accesses) {
            accesses = accesses_now;
            last_access = now;
        }
        if (now - start < wait) continue;
        const std::uint64_t since = lock_since(*state_).load(std::memory_order_relaxed);
        if (platform_->told_holder != seen || platform_->told_since != since) {
            platform_->told_holder = seen;
            platform_->told_since = since;
            say_card_held(seen, since);
        }
        if (observer) break;
        if (now - last_access >= wait &&
            owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) {
            lock_taken_from(*state_).store(seen);
            lock_taker(*state_).store(me);
            say_card_taken_from_stalled(
                seen, std::chrono::duration_cast<std::chrono::milliseconds>(now - last_access));
            taken = Taken::from_stalled;
            break;
        }
    }
    lock_waiters(*state_).fetch_sub(1);
    return taken;
}

void CardFile::unlock() {
    // Plain stores (the last one orders them): no more atomic operations than the lock word's.
    // A card held for one access has no command start to clear, the most frequent case.
    auto since = lock_since(*state_);
    if (since.load(std::memory_order_relaxed) != 0) since.store(0, std::memory_order_relaxed);
    lock_owner_start(*state_).store(0, std::memory_order_relaxed);
    lock_owner(*state_).store(0);
    platform_->let_go_to_waiters = lock_waiters(*state_).load() != 0;
    if (platform_->let_go_to_waiters) {
        syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(state_->lock), FUTEX_WAKE, 1, nullptr,
                nullptr, 0);
    }
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

std::uint32_t CardFile::taken_by() {
    return lock_taken_from(*state_).load() == process_id ? lock_taker(*state_).load() : 0;
}

bool CardFile::held_elsewhere(std::uint32_t& pid, std::uint64_t& since_ms) {
    pid = lock_owner(*state_).load();
    since_ms = lock_since(*state_).load(std::memory_order_relaxed);
    return pid != 0 && pid != this_process();
}

}  // namespace ch367sim
