// Odd-start re-packing: a run of packed bytes whose first pixel lands on an odd x is moved by one
// nibble, so that it fits the display's byte columns again.
#pragma once

#include <cstdint>

namespace quorvel::display {

// Writes length + 1 bytes to `out`: a 0 nibble, the run's 2 x length pixels, a 0 nibble.
// `length` must be at least 1.
void repack_odd_start(const std::uint8_t* data, std::uint64_t length, std::uint8_t* out);

// The bytes of a run as they go into byte columns: the caller's bytes unchanged for an even x,
// the re-packed length + 1 bytes for an odd x. Runs of up to kLocalRunBytes bytes are re-packed
// on the stack; only a longer one takes a heap buffer, released when this object goes.
// empty() is true when there is nothing to write: no data, an odd-x run of length 0, or a heap
// buffer that could not be obtained. An even-x run of length 0 is not empty.
class AlignedRun {
public:
    static constexpr std::uint64_t kLocalRunBytes = 8192;  // a whole screen

    AlignedRun(std::uint8_t x, const std::uint8_t* data, std::uint64_t length);
    ~AlignedRun();
    AlignedRun(const AlignedRun&) = delete;
    AlignedRun& operator=(const AlignedRun&) = delete;

    bool empty() const { return bytes_ == nullptr; }
    const std::uint8_t* bytes() const { return bytes_; }
    std::uint64_t size() const { return size_; }

private:
    const std::uint8_t* bytes_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint8_t* heap_ = nullptr;
    std::uint8_t local_[kLocalRunBytes + 1];  // left uninitialised: every used byte is written
};

}  // namespace quorvel::display
