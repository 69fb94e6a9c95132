// A readable dump of the simulated card's state: bridge and line register, the pattern
// generator's registers and the used parts of its two memories, and the display.
#pragma once

#include <string>

namespace ch367sim {

bool write_state_dump(const std::string& path);

}  // namespace ch367sim
