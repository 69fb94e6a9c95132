#include "counting_allocator.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <new>

// glibc's own entry points, which the replacements below forward to.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

namespace allocation {

namespace {
std::atomic<bool> counting{false};
std::atomic<std::uint64_t> count{0};

void note() {
    if (counting.load(std::memory_order_relaxed)) count.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

Counting::Counting() {
    count = 0;
    counting = true;
}
Counting::~Counting() { counting = false; }
std::uint64_t Counting::allocations() const { return count; }

}  // namespace allocation

using allocation::note;

extern "C" {

void* malloc(std::size_t size) {
    note();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    note();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) {
    note();
    return __libc_realloc(pointer, size);
}

void free(void* pointer) { __libc_free(pointer); }

int posix_memalign(void** pointer, std::size_t alignment, std::size_t size) {
    note();
    *pointer = __libc_memalign(alignment, size);
    return *pointer != nullptr ? 0 : ENOMEM;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    note();
    return __libc_memalign(alignment, size);
}

}  // extern "C"

// operator new goes to malloc in libstdc++ already; replacing it counts it even where a build
// of the runtime does not. Aligned forms end in aligned_alloc, counted above.
void* operator new(std::size_t size) {
    note();
    void* pointer = __libc_malloc(size == 0 ? 1 : size);
    if (pointer == nullptr) throw std::bad_alloc();
    return pointer;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    note();
    return __libc_malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* pointer) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer) noexcept { __libc_free(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { __libc_free(pointer); }
