// The bridge simulator (libCH367DLL64) driven through the card library as a host program
// drives it. accesses_per_s counts CH367ReadIoByte and CH367WriteIoByte calls per second of the
// thread's CPU time (the machine is shared; sleeps and preemption are not the simulator's cost),
// the library's own work included. Run it with and without the simulator's output variables
// (CH367SIM_LOG, CH367SIM_COST, CH367SIM_VCD, CH367SIM_OUTPUT_DIR) to see what the outputs cost.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "QuorvelWCHDLL.h"
#include "ch367sim.h"
#include "link/bridge.h"
#include "link/registers.h"

namespace {

std::uint64_t accesses_so_far() {
    const ch367sim_counters counters = ch367sim_get_counters();
    return counters.register_reads + counters.register_writes;
}

void report_accesses(benchmark::State& state, std::uint64_t before) {
    const auto accesses = static_cast<double>(accesses_so_far() - before);
    state.counters["accesses"] = accesses / static_cast<double>(state.iterations());
    state.counters["accesses_per_s"] = benchmark::Counter(accesses, benchmark::Counter::kIsRate);
}

// Runs `call` on a freshly opened simulated card. With the transaction log on, the log is
// emptied after each call outside the timed region, so memory stays bounded.
void run_on_simulator(benchmark::State& state, bool logging,
                      const std::function<void(DioMasterHandle*)>& call) {
    ch367sim_reset();
    ch367sim_set_logging(logging ? 1 : 0);
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    const std::uint64_t before = accesses_so_far();
    for (auto _ : state) {
        call(card);
        if (logging) {
            state.PauseTiming();
            ch367sim_clear_log();
            state.ResumeTiming();
        }
    }
    report_accesses(state, before);
    DioClose(card);
    ch367sim_reset();
}

// Raw register accesses with no library work between them: a write and a read of the SPI
// control register, the least the simulated bridge costs per access. The bridge is opened first:
// a closed one refuses them.
void BM_RegisterAccesses(benchmark::State& state) {
    ch367sim_reset();
    ch367sim_set_logging(0);
    CH367OpenDevice(0, 0, 0);
    const std::uint64_t spi_control =
        CH367SIM_IO_BASE + static_cast<std::uint8_t>(quorvel::link::Register::SpiControl);
    std::uint8_t value = 0;
    const std::uint64_t before = accesses_so_far();
    for (auto _ : state) {
        CH367WriteIoByte(spi_control, quorvel::link::kSpiModeA);
        CH367ReadIoByte(spi_control, &value);
    }
    benchmark::DoNotOptimize(value);
    report_accesses(state, before);
    ch367sim_reset();
}
BENCHMARK(BM_RegisterAccesses);

// Control memory: writes of 16 Ki or 1 Ki words, reads of 4 Ki words (five accesses per byte
// read).
void BM_CtrlMemory(benchmark::State& state) {
    const bool read = state.range(0) != 0;
    const auto words = static_cast<std::uint32_t>(state.range(1));
    std::vector<std::uint8_t> buffer(4 * std::size_t{words}, 0xA5);
    run_on_simulator(state, state.range(2) != 0, [&](DioMasterHandle* card) {
        std::int16_t status = 0;
        if (read) {
            DioReadCtrlMemory(card, buffer.data(), 0, words, &status);
        } else {
            DioWriteCtrlMemory(card, buffer.data(), 0, words, &status);
        }
    });
}
BENCHMARK(BM_CtrlMemory)
    ->ArgNames({"read", "words", "log"})
    ->Args({0, 16 * 1024, 0})
    ->Args({0, 1024, 0})
    ->Args({0, 16 * 1024, 1})
    ->Args({1, 4 * 1024, 0})
    ->Args({1, 4 * 1024, 1})
    ->Unit(benchmark::kMicrosecond);

// The display model: a whole frame buffer in one transaction, and the set-up's 8258 short ones
// (its two 1 ms sleeps included in the time).
void BM_SendOLEDBuff(benchmark::State& state) {
    run_on_simulator(state, state.range(0) != 0, [](DioMasterHandle* card) { DioSendOLEDBuff(card); });
}
BENCHMARK(BM_SendOLEDBuff)->ArgName("log")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SetupOLED(benchmark::State& state) {
    run_on_simulator(state, false, [](DioMasterHandle* card) {
        std::int16_t status = 0;
        DioSetupOLED(card, &status);
    });
}
BENCHMARK(BM_SetupOLED)->Unit(benchmark::kMicrosecond);

// Many short transactions: one-byte commands, where opening and closing the bus dominate.
void BM_Arm(benchmark::State& state) {
    run_on_simulator(state, false, [](DioMasterHandle* card) { DioArm(card); });
}
BENCHMARK(BM_Arm);

// A host polling the status register while a pattern plays in real time (wrapping, so that it
// plays for as long as the benchmark runs), and loading the control memory meanwhile: each
// command brings the run up to date first.
void BM_WhilePlaying(benchmark::State& state) {
    const bool poll = state.range(0) != 0;
    std::vector<std::uint8_t> buffer(4 * 1024, 0xA5);
    run_on_simulator(state, false, [&, started = false](DioMasterHandle* card) mutable {
        std::int16_t status = 0;
        if (!started) {
            ch367sim_pg_set_clock(CH367SIM_PG_CLOCK_REAL);
            ch367sim_pg_set_repeat(1);
            DioWriteOutMemory(card, buffer.data(), 0, 1024, &status);
            DioArm(card);
            DioTrig(card);
            started = true;
        }
        if (poll) {
            std::uint16_t run_state = 0;
            DioReadStatusRegister(card, &run_state, &status);
        } else {
            DioWriteCtrlMemory(card, buffer.data(), 0, 1024, &status);
        }
    });
}
BENCHMARK(BM_WhilePlaying)->ArgName("poll")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace
