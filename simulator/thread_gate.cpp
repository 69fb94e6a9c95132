#include "thread_gate.h"

#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <linux/membarrier.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace ch367sim {

constinit thread_local bool this_thread_is_sole CH367SIM_FAST_TLS = false;

namespace {

// Every thread of the process runs a full memory barrier before this returns.
void process_memory_barrier() {
#ifdef _WIN32
    FlushProcessWriteBuffers();
#else
    if (syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0 &&
        syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0) {
        return;
    }
    if (syscall(SYS_membarrier, MEMBARRIER_CMD_GLOBAL, 0, 0) == 0) return;
    // Without membarrier: taking write access away from a page that this thread wrote makes the
    // kernel interrupt every processor that runs a thread of the process.
    const long page = sysconf(_SC_PAGESIZE);
    void* area = mmap(nullptr, static_cast<std::size_t>(page), PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return;
    *static_cast<volatile char*>(area) = 1;
    mprotect(area, static_cast<std::size_t>(page), PROT_READ);
    munmap(area, static_cast<std::size_t>(page));
#endif
}

}  // namespace

void ThreadGate::leave() {
    std::lock_guard<std::mutex> guard(mutex_);
    holder_.store(0, std::memory_order_relaxed);
    if (waiting_ == 0) return;
    handing_over_ = true;
    ++hand_overs_;
    free_.notify_one();
}

void ThreadGate::lock_gate() {
    locked_.store(true, std::memory_order_relaxed);
    process_memory_barrier();
    while (in_access_.load(std::memory_order_acquire)) std::this_thread::yield();
}

}  // namespace ch367sim
