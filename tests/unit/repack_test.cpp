#include "display/repack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quorvel::display {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(const AlignedRun& run) { return Bytes(run.bytes(), run.bytes() + run.size()); }

TEST(Repack, OddStartMovesTheRunByOneNibble) {
    struct Case {
        Bytes run;
        Bytes repacked;
    };
    const Case cases[] = {
        {{0xAB, 0xCD}, {0x0A, 0xBC, 0xD0}},
        {{0x9C}, {0x09, 0xC0}},
        {{0xFF, 0x00, 0xFF}, {0x0F, 0xF0, 0x0F, 0xF0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bytes_of(AlignedRun(7, c.run.data(), c.run.size())), c.repacked);
    }
}

TEST(Repack, EvenRunIsTheCallersOwnBytes) {
    const std::uint8_t run[] = {1, 2, 3};
    const AlignedRun aligned(6, run, 3);
    EXPECT_EQ(aligned.bytes(), run);
    EXPECT_EQ(aligned.size(), 3u);
    EXPECT_FALSE(AlignedRun(6, run, 0).empty());  // an empty even run is still a write
}

TEST(Repack, NothingToWrite) {
    const std::uint8_t run[] = {1};
    EXPECT_TRUE(AlignedRun(0, nullptr, 1).empty());
    EXPECT_TRUE(AlignedRun(1, nullptr, 1).empty());
    EXPECT_TRUE(AlignedRun(1, run, 0).empty());
    EXPECT_TRUE(AlignedRun(1, run, UINT64_MAX).empty());       // length + 1 overflows
    EXPECT_TRUE(AlignedRun(1, run, std::uint64_t{1} << 62).empty());  // no such memory
}

TEST(Repack, RunsLongerThanAScreenAreRepackedWhole) {
    for (std::size_t length : {std::size_t{8192}, std::size_t{8193}, std::size_t{20000}}) {
        Bytes run(length);
        for (std::size_t i = 0; i < length; ++i) run[i] = static_cast<std::uint8_t>(i * 31);
        Bytes expected(length + 1);
        repack_odd_start(run.data(), length, expected.data());
        EXPECT_EQ(bytes_of(AlignedRun(1, run.data(), length)), expected) << length;
    }
}

}  // namespace
}  // namespace quorvel::display
