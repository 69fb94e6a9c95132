// Runs host traffic on the simulated card with every output file requested: the test process
// sets CH367SIM_OUTPUT_DIR to a fresh directory before the simulator is first used.
#pragma once

#include <filesystem>
#include <functional>

#include "QuorvelWCHDLL.h"

// Resets the simulator, opens the card, runs `host` on it and closes the card, which writes the
// output files.
void run_on_card(const std::function<void(DioMasterHandle*)>& host);

// A file in the output directory: "bus.vcd", "commands.log", "state.txt", "cost.txt".
std::filesystem::path output_file(const char* name);
