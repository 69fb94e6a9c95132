// Moving blocks of 32-bit words between the host and the pattern generator's two memories, in
// chunks, so that a long transfer can show its progress.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "QuorvelWCHDLL.h"

namespace dio {

enum class Memory { ctrl, out };

// Words per memory call: small enough that a read's status carries its exact byte count.
constexpr std::uint32_t kChunkWords = 4096;

// Writes a byte image of whole words to the memory, word address start onwards. An empty image
// is passed to the library, which reports it.
void write_memory(DioMasterHandle* card, Memory memory, std::uint32_t start,
                  std::span<const std::uint8_t> image);
// Reads words words from word address start onwards as their byte image.
std::vector<std::uint8_t> read_memory(DioMasterHandle* card, Memory memory, std::uint32_t start,
                                      std::uint32_t words);

}  // namespace dio
