// Moving blocks of 32-bit words between the host and the pattern generator's two memories, in
// chunks, so that a long transfer can show its progress.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "QuorvelWCHDLL.h"

namespace dio {

enum class Memory { ctrl, out };

// Words in each of the two memories.
constexpr std::uint32_t kMemoryWords = 65536;

// Throws Failure (with the exit code) unless the words words from word address start all lie
// inside a memory: the card drops words past its end without a word of complaint.
void check_memory_range(std::uint32_t start, std::uint64_t words, int exit_code);

// Words per memory call: small enough that a read's status carries its exact byte count.
constexpr std::uint32_t kChunkWords = 4096;

// Writes a byte image of whole words to the memory, word address start onwards. An empty image
// is passed to the library, which reports it. Both transfers refuse a range past the end of
// the memory before they send anything.
void write_memory(DioMasterHandle* card, Memory memory, std::uint32_t start,
                  std::span<const std::uint8_t> image);
// Reads words words from word address start onwards as their byte image.
std::vector<std::uint8_t> read_memory(DioMasterHandle* card, Memory memory, std::uint32_t start,
                                      std::uint32_t words);

}  // namespace dio
