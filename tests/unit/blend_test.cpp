#include "display/blend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "display/run_writers.h"

namespace quorvel::display {
namespace {

// The blend modes as they act on one pixel's level; a byte is two pixels side by side.
std::uint8_t blend_level(std::int32_t mode, std::uint8_t old_level, std::uint8_t new_level) {
    switch (mode) {
    case 0: return new_level;
    case 1: return old_level | new_level;
    case 2: return old_level > new_level ? old_level : new_level;
    case 3: return old_level ^ new_level;
    case 4: return new_level != 0 ? new_level : old_level;
    default: return old_level;
    }
}

TEST(Blend, ModesOnOldByte0x3C) {
    struct Case {
        std::int32_t mode;
        std::uint8_t new_byte;
        std::uint8_t result;
    };
    const Case cases[] = {
        {DIO_BLEND_REPLACE, 0x5A, 0x5A},         {DIO_BLEND_OR, 0x5A, 0x7E},
        {DIO_BLEND_MAX, 0x5A, 0x5C},             {DIO_BLEND_XOR, 0x5A, 0x66},
        {DIO_BLEND_NONZERO_REPLACE, 0x5A, 0x5A}, {DIO_BLEND_NONZERO_REPLACE, 0x50, 0x5C},
        {DIO_BLEND_NONZERO_REPLACE, 0x07, 0x37}, {DIO_BLEND_NONZERO_REPLACE, 0x00, 0x3C},
        {5, 0x5A, 0x3C},                         {-1, 0x5A, 0x3C},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(blend(c.mode, 0x3C, c.new_byte), c.result)
            << "mode " << c.mode << " new " << int(c.new_byte);
    }
}

TEST(Blend, EveryByteBlendsAsTwoIndependentPixels) {
    for (std::int32_t mode = -1; mode <= 5; ++mode) {
        for (int o = 0; o < 256; ++o) {
            for (int v = 0; v < 256; ++v) {
                const int expected = blend_level(mode, o >> 4, v >> 4) << 4 |
                                     blend_level(mode, o & 0x0F, v & 0x0F);
                ASSERT_EQ(blend(mode, o, v), expected) << "mode " << mode << " " << o << " " << v;
            }
        }
    }
}

// The run writer's block copy and loops give, byte for byte, what the pixel-pair blend gives, in
// runs that wrap from the end of the frame buffer to its start. Over the eight values of `high`
// every new byte meets every old byte once.
TEST(Blend, RunsMatchThePixelPairBlendIncludingTheWrap) {
    auto handle = std::make_unique<DioMasterHandle>();
    std::vector<std::uint8_t> run(8192);
    for (std::int32_t mode = -1; mode <= 5; ++mode) {
        for (int high = 0; high < 256; high += 32) {
            std::vector<std::uint8_t> expected(8192);
            for (std::size_t i = 0; i < 8192; ++i) {
                handle->frame_buffer[i] = static_cast<std::uint8_t>(i);
                // Row 40, byte column 3 onwards: run byte k lands on index (5123 + k) mod 8192.
                run[i] = static_cast<std::uint8_t>(high + (i / 256 + i) % 32);
            }
            for (std::size_t k = 0; k < run.size(); ++k) {
                const std::size_t index = (5123 + k) % 8192;
                expected[index] = blend(mode, handle->frame_buffer[index], run[k]);
            }
            write_run_buffered(*handle, mode, 6, 40, run.data(), run.size());
            ASSERT_EQ(std::vector<std::uint8_t>(handle->frame_buffer, handle->frame_buffer + 8192),
                      expected)
                << "mode " << mode << " high " << high;
        }
    }
}

}  // namespace
}  // namespace quorvel::display
