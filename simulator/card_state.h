// The card's state record (ch367sim_card_state) as a file: its header and the check that tells a
// card file from any other file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ch367sim.h"

namespace ch367sim {

inline constexpr std::size_t kCardHeaderBytes = 64;
static_assert(offsetof(ch367sim_card_state, bridge) == kCardHeaderBytes);

// Fills in the header of a record: magic, version, sizes; clears the change count and the lock.
void init_card_header(ch367sim_card_state& state);

// What makes a file whose first `count` bytes are `bytes` and whose size is `file_size` no card
// file this simulator can use, as the end of a sentence that starts with the file's name
// and names the field that is wrong ("has a header size of 128 bytes; a card file's is 64"); empty
// when it is one. Reads at most kCardHeaderBytes bytes.
std::string card_file_problem(const std::uint8_t* bytes, std::size_t count, std::uint64_t file_size);

}  // namespace ch367sim
