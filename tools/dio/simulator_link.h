// What dio reaches of the card simulator itself, beyond the card library: the card file it
// works on, and the simulator's own functions (ch367sim.h), looked up at run time in the bridge
// driver library the process runs with. With the card's own driver there are none.
#pragma once

#include <string>

#include "failure.h"

namespace dio {

// Sets CH367SIM_CARD for this process, before the card is first opened.
void set_card_path(const std::string& path);

// Makes sure the card library and the bridge driver library it imports are loaded, before the
// first call into either; throws a Failure saying what is missing when they cannot be. On Linux
// they are loaded with dio itself; on Windows only when a command first needs them, so that the
// commands without the card run where no driver is installed.
void load_card_library();

// The simulator's function `name`, or null when the bridge driver is not the simulator.
void* find_simulator_function(const char* name);

[[noreturn]] inline void throw_not_simulated() {
    throw Failure("the bridge driver library is not the card simulator");
}

// The simulator's function `name` as a pointer of type F; throws a Failure when the bridge driver
// is not the simulator.
template <class F>
F* simulator_function(const char* name) {
    void* found = find_simulator_function(name);
    if (found == nullptr) throw_not_simulated();
    return reinterpret_cast<F*>(found);
}

}  // namespace dio
