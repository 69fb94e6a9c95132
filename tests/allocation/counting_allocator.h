// Counts heap allocations made while counting is switched on. The test executable replaces
// malloc, calloc, realloc, posix_memalign, aligned_alloc and the replaceable operator new with
// counting versions; glibc lets a program interpose them, and the executable exports them, so
// the card library's calls land here too.
#pragma once

#include <cstdint>

namespace allocation {

// Switches counting on from construction to destruction; allocations() gives the count.
class Counting {
public:
    Counting();
    ~Counting();
    Counting(const Counting&) = delete;
    Counting& operator=(const Counting&) = delete;
    std::uint64_t allocations() const;
};

}  // namespace allocation
