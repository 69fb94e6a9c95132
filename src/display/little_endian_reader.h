// Bounds-checked little-endian field reads from an untrusted byte buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvel::display {

// Each read checks that the field lies wholly inside the buffer. A field that does not reads as
// 0 and marks the reader failed, so a parser reads all its fields and checks ok() once.
class LittleEndianReader {
public:
    explicit LittleEndianReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t u8(std::size_t offset) { return static_cast<std::uint8_t>(field(offset, 1)); }
    std::uint16_t u16(std::size_t offset) { return static_cast<std::uint16_t>(field(offset, 2)); }
    std::uint32_t u32(std::size_t offset) { return field(offset, 4); }
    std::int32_t i32(std::size_t offset) { return static_cast<std::int32_t>(field(offset, 4)); }

    bool ok() const { return ok_; }

private:
    std::uint32_t field(std::size_t offset, std::size_t width) {
        if (offset > bytes_.size() || width > bytes_.size() - offset) {
            ok_ = false;
            return 0;
        }
        std::uint32_t value = 0;
        for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes_[offset + i];
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    bool ok_ = true;
};

}  // namespace quorvel::display
