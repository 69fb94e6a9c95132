// The simulated card: the bridge and the devices behind its chip selects.
#pragma once

#include <array>
#include <memory>
#include <optional>

#include "bridge.h"
#include "display_model.h"
#include "external_device.h"
#include "outputs/output_set.h"
#include "pattern_generator.h"

namespace ch367sim {

struct Card {
    Bridge bridge;
    PatternGenerator pattern_generator;  // device 0
    DisplayModel display;                // device 1
    std::array<std::optional<ExternalDevice>, Bridge::kDeviceCount> external;  // devices 2..5
    std::unique_ptr<OutputSet> outputs;  // the output files asked for, or null

    Card();
    // Power-on: detaches external devices, then resets the bridge and every device model.
    void reset();
    bool attach_external(std::uint8_t index, const ch367sim_device* device);
};

// The one simulated card of the process, built with its devices attached on first use. It is
// never destroyed, so host calls and the output files' exit hook find it valid at any point of
// the process's exit.
Card& card();

}  // namespace ch367sim
