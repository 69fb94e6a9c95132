#include "bus_case.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "counting_bridge.h"
#include "link/registers.h"
#include "paired_timing.h"

namespace bench {

namespace {

using Trace = std::vector<ch367sim_register_access>;
using Registers = std::array<std::uint8_t, 256>;

constexpr auto kLines = static_cast<std::uint8_t>(quorvel::link::Register::Lines);
// Cheap calls run in batches of about this many bridge accesses, so that reading the clock
// stays small against what is timed.
constexpr std::size_t kAccessesPerBatch = 16384;

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
    minimal::Bus bus{kCountingIoBase, 0};
    const auto minimal_call = [&] {
        bus.lines = counting_bridge().registers[kLines];
        if (c.bus_case.minimal) {
            c.bus_case.minimal(bus);
        } else {
            minimal::replay(kCountingIoBase, c.recorded.data(), c.recorded.size());
        }
    };
    const double seconds = run_paired(
        state, {c.bus_case.call, minimal_call, "minimal_ns", c.batch, c.bus_case.sleeps});
    const auto accesses = static_cast<double>(c.recorded.size());
    const auto calls = static_cast<double>(state.iterations() * c.batch);
    state.counters["accesses"] = accesses;
    state.counters["accesses_per_s"] = seconds > 0 ? accesses * calls / seconds : 0;
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
