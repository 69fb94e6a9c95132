// Keeps a process alive when the file under one of its card mappings loses pages: truncated or
// copied over (`cp` truncates first), or on storage that cannot back a page any more. Touching
// such a page raises SIGBUS; the guard's handler puts anonymous memory over the whole mapping,
// so the access completes, and marks the mapping lost. Faults anywhere else go to the handler
// that was there before (or kill the process as they would have).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace ch367sim {

struct GuardedMapping {
    void* begin = nullptr;
    std::size_t size = 0;
    int fd = -1;                       // the mapped file, looked at when the mapping is lost
    std::atomic<bool>* lost = nullptr;  // set when the mapping is lost
    // The file's size, and the blocks free on its file system, when the mapping was lost; -1
    // when they could not be told.
    std::atomic<std::int64_t> file_size_at_loss{-1};
    std::atomic<std::int64_t> free_blocks_at_loss{-1};
};

// Guards `mapping` until forget_mapping(); false when this process guards too many mappings.
bool guard_mapping(GuardedMapping& mapping);
void forget_mapping(GuardedMapping& mapping);

}  // namespace ch367sim
