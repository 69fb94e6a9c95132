#include "bus_case.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "counting_bridge.h"
#include "link/registers.h"

namespace bench {

namespace {

using Trace = std::vector<ch367sim_register_access>;
using Registers = std::array<std::uint8_t, 256>;

constexpr auto kLines = static_cast<std::uint8_t>(quorvel::link::Register::Lines);
// Cheap calls run in batches of about this many bridge accesses, so that reading the clock
// stays small against what is timed.
constexpr std::size_t kAccessesPerBatch = 16384;

using Clock = std::chrono::steady_clock;

// CPU time of this thread: the machine is shared, and time spent preempted is nobody's cost.
double thread_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

DioMasterHandle* card = nullptr;

struct Recording {
    Trace trace;
    Registers end_state;
};

Registers registers_now() {
    Registers r{};
    std::copy(std::begin(counting_bridge().registers), std::end(counting_bridge().registers),
              r.begin());
    return r;
}

void restore(const Registers& r) { std::copy(r.begin(), r.end(), counting_bridge().registers); }

Recording record(const std::function<void()>& run) {
    Recording recording;
    counting_bridge().recording = &recording.trace;
    run();
    counting_bridge().recording = nullptr;
    recording.end_state = registers_now();
    return recording;
}

bool same_trace(const Trace& a, const Trace& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ch367sim_register_access& x, const ch367sim_register_access& y) {
                          return x.is_write == y.is_write && x.offset == y.offset &&
                                 x.value == y.value;
                      });
}

struct Case {
    BusCase bus_case;
    Trace recorded;  // what the export issues, replayed when there is no minimal loop
    std::size_t batch;
};

void run(benchmark::State& state, const Case& c) {
    CountingBridge& bridge = counting_bridge();
    minimal::Bus bus{kCountingIoBase, 0};
    double export_seconds = 0;
    double minimal_seconds = 0;
    double export_wall = 0;
    double minimal_wall = 0;
    for (auto _ : state) {
        const auto w0 = Clock::now();
        const double t0 = thread_seconds();
        for (std::size_t k = 0; k < c.batch; ++k) c.bus_case.call();
        const double t1 = thread_seconds();
        const auto w1 = Clock::now();
        bus.lines = bridge.registers[kLines];
        for (std::size_t k = 0; k < c.batch; ++k) {
            if (c.bus_case.minimal) {
                c.bus_case.minimal(bus);
            } else {
                minimal::replay(kCountingIoBase, c.recorded.data(), c.recorded.size());
            }
        }
        const double t2 = thread_seconds();
        const auto w2 = Clock::now();
        export_wall += std::chrono::duration<double>(w1 - w0).count();
        minimal_wall += std::chrono::duration<double>(w2 - w1).count();
        const double export_part = t1 - t0;
        export_seconds += export_part;
        minimal_seconds += t2 - t1;
        state.SetIterationTime(export_part);
    }
    const double calls = static_cast<double>(state.iterations() * c.batch);
    const auto accesses = static_cast<double>(c.recorded.size());
    state.counters["ns_per_call"] = export_seconds * 1e9 / calls;
    state.counters["minimal_ns"] = minimal_seconds * 1e9 / calls;
    state.counters["ratio"] = minimal_seconds > 0 ? export_seconds / minimal_seconds : 0;
    state.counters["accesses"] = accesses;
    state.counters["accesses_per_s"] = export_seconds > 0 ? accesses * calls / export_seconds : 0;
    if (c.bus_case.sleeps) {
        state.counters["wall_ns_per_call"] = export_wall * 1e9 / calls;
        state.counters["wall_minimal_ns"] = minimal_wall * 1e9 / calls;
        state.counters["wall_ratio"] = minimal_wall > 0 ? export_wall / minimal_wall : 0;
    }
}

}  // namespace

DioMasterHandle* bench_card() { return card; }

void open_bench_card() {
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    if (status != DIO_OK) {
        std::fprintf(stderr, "cannot open the card over the counting bridge: %d\n", status);
        std::exit(1);
    }
}

void close_bench_card() {
    DioClose(card);
    card = nullptr;
}

void register_bus_case(BusCase bus_case) {
    const Registers start = registers_now();
    Recording exported = record(bus_case.call);
    if (bus_case.minimal) {
        restore(start);
        minimal::Bus bus{kCountingIoBase, start[kLines]};
        const Recording floor = record([&] { bus_case.minimal(bus); });
        if (!same_trace(exported.trace, floor.trace) || exported.end_state != floor.end_state) {
            std::fprintf(stderr, "%s: the minimal loop does not make the export's bridge calls\n",
                         bus_case.name.c_str());
            std::exit(1);
        }
    }
    const std::size_t accesses = std::max<std::size_t>(1, exported.trace.size());
    const std::size_t batch = std::max<std::size_t>(1, kAccessesPerBatch / accesses);
    std::string name = bus_case.name;
    if (batch > 1) name += "/batch:" + std::to_string(batch);
    auto c = std::make_shared<Case>(Case{std::move(bus_case), std::move(exported.trace), batch});
    benchmark::RegisterBenchmark(name.c_str(), [c](benchmark::State& s) { run(s, *c); })
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace bench
