// Frame-buffer exports: no bus traffic, only work on the master handle's 8192-byte image. A
// whole-screen write is compared with a memcpy of the same 8192 bytes.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "bus_case.h"
#include "cases.h"
#include "paired_timing.h"
#include "screen_bitmap.h"

namespace bench {

namespace {

constexpr std::size_t kScreenBytes = 8192;
constexpr std::size_t kBatch = 64;  // a call takes well under a microsecond

std::array<std::uint8_t, kScreenBytes> source{};
std::array<std::uint8_t, kScreenBytes> target{};

// The pointers escape to the optimiser, so every copy is made in full.
void copy_screen() {
    std::uint8_t* to = target.data();
    const std::uint8_t* from = source.data();
    benchmark::DoNotOptimize(to);
    benchmark::DoNotOptimize(from);
    std::memcpy(to, from, kScreenBytes);
    benchmark::ClobberMemory();
}

void register_frame_case(const std::string& name, std::function<void()> call,
                         std::function<void()> reference = {}) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [call = std::move(call), reference = std::move(reference)](
                                     benchmark::State& state) {
                                     run_paired(state, {call, reference, "memcpy_ns", kBatch});
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace

void register_frame_buffer_cases() {
    for (std::size_t i = 0; i < kScreenBytes; ++i) source[i] = static_cast<std::uint8_t>(i * 13);
    constexpr const char* kModes[] = {"replace", "or", "max", "xor", "nonzero"};
    for (std::int32_t mode = DIO_BLEND_REPLACE; mode <= DIO_BLEND_NONZERO_REPLACE; ++mode) {
        register_frame_case(std::string("DioWriteOLEDScreenArrBuff/") + kModes[mode] + "/batch:64",
                            [mode] { DioWriteOLEDScreenArrBuff(bench_card(), mode, source.data()); },
                            copy_screen);
    }
    register_frame_case("DioWriteOLEDArrBuff/odd/or/bytes:8192/batch:64", [] {
        DioWriteOLEDArrBuff(bench_card(), DIO_BLEND_OR, 1, 0, source.data(), kScreenBytes);
    });
    register_frame_case("DioWriteOLEDPixelBuff/max/batch:64",
                        [] { DioWriteOLEDPixelBuff(bench_card(), DIO_BLEND_MAX, 11, 3, 9); });
    register_frame_case("DioWriteOLEDLineBuff/longest/batch:64", [] {
        DioWriteOLEDLineBuff(bench_card(), DIO_BLEND_XOR, 0, 0, 255, 63, 0, 15);
    });
    register_frame_case("DioWriteOLEDStrBuff/chars:32/batch:64", [] {
        DioWriteOLEDStrBuff(bench_card(), DIO_BLEND_REPLACE, 0, 0, "The quick brown fox jumps over t");
    });
    register_frame_case("DioWriteOLEDAreaBMPBuff/odd/max/256x64/batch:64", [] {
        DioWriteOLEDAreaBMPBuff(bench_card(), DIO_BLEND_MAX, 1, 0, screen_bitmap());
    });
    register_frame_case("DioClearOLEDBuff/batch:64", [] { DioClearOLEDBuff(bench_card()); });
}

}  // namespace bench
