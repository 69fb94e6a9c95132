// The system-wide monotonic clock the run model plays against: every process on the machine
// reads the same time, so processes sharing a card file see a run at the same position.
#pragma once

#include <cstdint>

namespace ch367sim {

// Nanoseconds since a fixed point of the machine (its boot on Linux).
std::uint64_t monotonic_ns();

}  // namespace ch367sim
