// The card as the view page shows it: a JSON object made from one snapshot of the card's state
// record.
#pragma once

#include <nlohmann/json.hpp>

#include "ch367sim.h"

namespace dio {

// Recent commands the page lists, and output-memory words shown before and after the program
// counter.
inline constexpr std::size_t kViewCommands = 50;
inline constexpr std::uint32_t kViewWordsAround = 16;

nlohmann::json card_json(const ch367sim_card_state& card);

}  // namespace dio
