// One benchmark per bus case: an export call on the card opened over the counting bridge, timed
// alternately with the minimal loop that makes exactly the same bridge calls. Each case is
// checked before it is registered: the two must issue the same accesses with the same values
// and leave the same register state, or the program stops with an error.
#pragma once

#include <functional>
#include <string>

#include "QuorvelWCHDLL.h"
#include "minimal_bus.h"

namespace bench {

struct BusCase {
    std::string name;
    std::function<void()> call;                  // one export call on bench_card()
    std::function<void(minimal::Bus&)> minimal;  // empty: replay the export's recorded calls
    // The export sleeps: also report wall-clock time, where the sleeps count (CPU time, the
    // main measure, leaves them out of both sides).
    bool sleeps = false;
};

void register_bus_case(BusCase bus_case);

// The card every case uses, opened once by main over the counting bridge.
DioMasterHandle* bench_card();
void open_bench_card();
void close_bench_card();

}  // namespace bench
