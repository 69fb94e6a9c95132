// Times an export against a reference that does the same job the least costly way: the two run
// alternately, a batch of each per benchmark iteration, so both see the same machine state.
// The main clock is this thread's CPU time (the machine is shared, and time spent preempted is
// nobody's cost); the wall clock is kept too, for exports that sleep.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <string>

namespace bench {

struct PairedCalls {
    std::function<void()> subject;    // one export call
    std::function<void()> reference;  // the same job done the least costly way; may be empty
    std::string reference_name;       // counter name of the reference's time per call
    std::size_t batch = 1;            // calls of each per iteration
    bool report_wall_time = false;
};

// Runs the benchmark loop and reports, per call: ns_per_call, <reference_name> and ratio
// (subject / reference), plus the same on the wall clock when asked. Returns the seconds of CPU
// time the subject took in all.
double run_paired(benchmark::State& state, const PairedCalls& calls);

}  // namespace bench
