#include "paired_timing.h"

#include <chrono>
#include <ctime>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double thread_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double wall_seconds() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

struct Totals {
    double cpu = 0;
    double wall = 0;
};

// Runs `call` batch times, adding its CPU and wall time to `totals`; returns the CPU time.
double timed_batch(const std::function<void()>& call, std::size_t batch, Totals& totals) {
    const double w0 = wall_seconds();
    const double t0 = thread_seconds();
    for (std::size_t k = 0; k < batch; ++k) call();
    const double cpu = thread_seconds() - t0;
    totals.wall += wall_seconds() - w0;
    totals.cpu += cpu;
    return cpu;
}

void report(benchmark::State& state, const std::string& prefix, const std::string& reference,
            double calls, const Totals& subject, const Totals& ref, bool cpu) {
    const double s = cpu ? subject.cpu : subject.wall;
    const double r = cpu ? ref.cpu : ref.wall;
    state.counters[prefix + "ns_per_call"] = s * 1e9 / calls;
    if (reference.empty()) return;
    state.counters[prefix + reference] = r * 1e9 / calls;
    state.counters[prefix + "ratio"] = r > 0 ? s / r : 0;
}

}  // namespace

double run_paired(benchmark::State& state, const PairedCalls& calls) {
    Totals subject;
    Totals reference;
    for (auto _ : state) {
        state.SetIterationTime(timed_batch(calls.subject, calls.batch, subject));
        if (calls.reference) timed_batch(calls.reference, calls.batch, reference);
    }
    const auto count = static_cast<double>(state.iterations() * calls.batch);
    const std::string reference_name = calls.reference ? calls.reference_name : "";
    report(state, "", reference_name, count, subject, reference, true);
    if (calls.report_wall_time) report(state, "wall_", reference_name, count, subject, reference, false);
    return subject.cpu;
}

}  // namespace bench
