#include "display/repack.h"

#include <cstdint>
#include <cstdlib>

namespace quorvel::display {

void repack_odd_start(const std::uint8_t* data, std::uint64_t length, std::uint8_t* out) {
    out[0] = static_cast<std::uint8_t>(data[0] >> 4);
    for (std::uint64_t i = 1; i < length; ++i) {
        out[i] = static_cast<std::uint8_t>((data[i - 1] << 4) | (data[i] >> 4));
    }
    out[length] = static_cast<std::uint8_t>(data[length - 1] << 4);
}

AlignedRun::AlignedRun(std::uint8_t x, const std::uint8_t* data, std::uint64_t length) {
    if (data == nullptr) return;
    if ((x & 1) == 0) {
        bytes_ = data;
        size_ = length;
        return;
    }
    if (length == 0) return;
    std::uint8_t* buffer = local_;
    if (length > kLocalRunBytes) {
        // length + 1 must still be a size the heap can be asked for.
        if (length >= SIZE_MAX) return;
        heap_ = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(length + 1)));
        if (heap_ == nullptr) return;
        buffer = heap_;
    }
    repack_odd_start(data, length, buffer);
    bytes_ = buffer;
    size_ = length + 1;
}

AlignedRun::~AlignedRun() { std::free(heap_); }

}  // namespace quorvel::display
