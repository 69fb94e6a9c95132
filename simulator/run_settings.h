// The pattern generator's run-model settings, and the environment variables that choose them:
//   CH367SIM_PG_CLOCK        real | test   (default real)
//   CH367SIM_PG_SAMPLE_RATE  samples per second, 1 to 10^10 (default 1000000)
//   CH367SIM_PG_LENGTH       words the pattern plays, 1 to 65536, or "default"
//   CH367SIM_PG_REPEAT       0 | 1         (default 0)
#pragma once

#include <cstdint>
#include <optional>

#include "ch367sim.h"

namespace ch367sim {

struct RunSettings {
    std::uint8_t clock = CH367SIM_PG_CLOCK_REAL;
    std::uint64_t sample_rate = CH367SIM_PG_DEFAULT_SAMPLE_RATE;
    std::uint32_t length = 0;  // 0: the highest output word written since the last clear, + 1
    bool repeat = false;
};

// The settings the environment names; each variable that is not set stays empty.
struct RunSettingsRequest {
    std::optional<std::uint8_t> clock;
    std::optional<std::uint64_t> sample_rate;
    std::optional<std::uint32_t> length;
    std::optional<bool> repeat;

    bool any() const { return clock || sample_rate || length || repeat; }
    RunSettings applied_to(RunSettings settings) const;
};

// Reads the CH367SIM_PG_* variables; a value out of its range is named in one line on stderr
// and left out.
RunSettingsRequest run_settings_from_environment();

bool valid_clock(int clock);
bool valid_sample_rate(std::uint64_t hz);
bool valid_length(std::uint64_t words);

}  // namespace ch367sim
