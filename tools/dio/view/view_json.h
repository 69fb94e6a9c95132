// The card as the view page shows it: a JSON object made from one snapshot of the card's state
// record, and the bytes of its memories.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "ch367sim.h"

namespace dio {

// Recent commands the page lists, and output-memory words shown before and after the program
// counter.
inline constexpr std::size_t kViewCommands = 50;
inline constexpr std::uint32_t kViewWordsAround = 16;

nlohmann::json card_json(const ch367sim_card_state& card);

// The run-model settings of the card: `sample_rate_hz`, `clock` ("real" or "test"), `length` (the
// pattern's length in effect, in words) and `repeat`.
nlohmann::json run_model_settings(const ch367sim_card_state& card);

// Both memories as the page fetches them: the output memory's 65536 words, then the control
// memory's, each word 4 bytes little-endian.
std::string memory_bytes(const ch367sim_card_state& card);

}  // namespace dio
