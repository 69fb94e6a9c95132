// Export benchmarks over the counting bridge: ns per call, bridge accesses per call, and the
// ratio to the minimal loop that makes the same bridge calls.
#include <benchmark/benchmark.h>

#include "bus_case.h"
#include "cases.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::open_bench_card();
    bench::register_pattern_generator_cases();
    bench::register_raw_spi_cases();
    bench::register_display_cases();
    // After the bus cases: those check their minimal loops against an all-zero frame buffer.
    bench::register_frame_buffer_cases();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::close_bench_card();
    return 0;
}
