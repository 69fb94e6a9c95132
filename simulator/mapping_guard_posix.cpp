#include "mapping_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statfs.h>

#include <array>
#include <mutex>

namespace ch367sim {

namespace {

// Read by the signal handler, so lock-free: a slot holds a mapping or null.
std::array<std::atomic<GuardedMapping*>, 64> guarded{};
struct sigaction earlier{};

// The handler that was installed before, or the default action: for a fault, the default
// action happens when the faulting access runs again.
void pass_on(int signal, siginfo_t* info, void* context) {
    if ((earlier.sa_flags & SA_SIGINFO) != 0 && earlier.sa_sigaction != nullptr) {
        earlier.sa_sigaction(signal, info, context);
        return;
    }
    if (earlier.sa_handler != SIG_DFL && earlier.sa_handler != SIG_IGN) {
        earlier.sa_handler(signal);
        return;
    }
    struct sigaction fallback{};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    if (info == nullptr || info->si_code <= 0) raise(signal);  // sent by a process: no fault again
}

void on_bus_error(int signal, siginfo_t* info, void* context) {
    const auto* address = static_cast<const char*>(info != nullptr && info->si_code > 0 ? info->si_addr : nullptr);
    for (std::atomic<GuardedMapping*>& slot : guarded) {
        GuardedMapping* mapping = slot.load(std::memory_order_acquire);
        if (mapping == nullptr || address == nullptr) continue;
        const auto* begin = static_cast<const char*>(mapping->begin);
        if (address < begin || address >= begin + mapping->size) continue;
        struct stat status {};
        if (fstat(mapping->fd, &status) == 0) {
            mapping->file_size_at_loss.store(status.st_size, std::memory_order_relaxed);
        }
        struct statfs storage {};
        if (fstatfs(mapping->fd, &storage) == 0) {
            mapping->free_blocks_at_loss.store(static_cast<std::int64_t>(storage.f_bfree),
                                               std::memory_order_relaxed);
        }
        if (mmap(mapping->begin, mapping->size, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
            break;
        }
        mapping->lost->store(true, std::memory_order_relaxed);
        return;
    }
    pass_on(signal, info, context);
}

void install_handler() {
    struct sigaction action{};
    action.sa_sigaction = on_bus_error;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &earlier);
}

}  // namespace

bool guard_mapping(GuardedMapping& mapping) {
    static std::once_flag installed;
    std::call_once(installed, install_handler);
    for (std::atomic<GuardedMapping*>& slot : guarded) {
        GuardedMapping* free = nullptr;
        if (slot.compare_exchange_strong(free, &mapping, std::memory_order_acq_rel)) return true;
    }
    return false;
}

void forget_mapping(GuardedMapping& mapping) {
    for (std::atomic<GuardedMapping*>& slot : guarded) {
        GuardedMapping* mine = &mapping;
        if (slot.compare_exchange_strong(mine, nullptr, std::memory_order_acq_rel)) return;
    }
}

}  // namespace ch367sim
