// Test helper: a card file read back as the simulator's state record.
#pragma once

#include <fstream>
#include <memory>
#include <string>

#include "ch367sim.h"

// The card as the file at `path` holds it now (zeros where the file is shorter).
inline std::unique_ptr<ch367sim_card_state> read_card_file(const std::string& path) {
    auto state = std::make_unique<ch367sim_card_state>();
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(state.get()), sizeof *state);
    return state;
}
