// Register accesses per second that the simulated bridge sustains, driven through the driver
// functions as the card library calls them. Run it with and without output variables set
// (CH367SIM_LOG, CH367SIM_COST, CH367SIM_VCD...) to see what the outputs cost.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "QuorvelWCHDLL.h"
#include "ch367sim.h"

extern "C" {
int32_t CH367WriteIoByte(uint64_t address, uint8_t value);
int32_t CH367ReadIoByte(uint64_t address, uint8_t* value);
}

namespace {

constexpr std::uint64_t kSpiData = CH367SIM_IO_BASE + 0xFE;
constexpr std::uint64_t kSpiControl = CH367SIM_IO_BASE + 0xFD;

std::uint64_t accesses() {
    const ch367sim_counters c = ch367sim_get_counters();
    return c.register_reads + c.register_writes;
}

// Raw register accesses: alternating writes and reads of the SPI control register.
void RegisterAccesses(benchmark::State& state) {
    ch367sim_reset();
    ch367sim_set_logging(0);
    std::uint8_t value = 0;
    for (auto _ : state) {
        CH367WriteIoByte(kSpiControl, 0x20);
        CH367ReadIoByte(kSpiControl, &value);
    }
    benchmark::DoNotOptimize(value);
    state.SetItemsProcessed(state.iterations() * 2);
    ch367sim_reset();
}
BENCHMARK(RegisterAccesses);

// A whole export: writes 1024 words to the control memory (about 4100 accesses per call).
void WriteCtrlMemory(benchmark::State& state) {
    ch367sim_reset();
    ch367sim_set_logging(0);
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    const std::vector<std::uint32_t> words(1024, 0x12345678u);
    const std::uint64_t before = accesses();
    for (auto _ : state) DioWriteCtrlMemory(card, words.data(), 0, 1024, &status);
    state.SetItemsProcessed(static_cast<std::int64_t>(accesses() - before));
    DioClose(card);
    ch367sim_reset();
}
BENCHMARK(WriteCtrlMemory);

}  // namespace

BENCHMARK_MAIN();
