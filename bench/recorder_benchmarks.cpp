// What the recorder adds to a bridge call: a driver that does nothing, called through function
// pointers found with dlopen and dlsym, directly and through the recorder forwarding to it.
// The recording goes to CH367REC_TRACE (default /dev/null, so that only the recorder's own work
// is measured; name a file to count the operating system's writing too).
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct Driver {
    std::int32_t (*read)(std::uint64_t, std::uint8_t*);
    std::int32_t (*write)(std::uint64_t, std::uint8_t);
};

Driver load(const char* path) {
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        std::exit(1);
    }
    return {reinterpret_cast<std::int32_t (*)(std::uint64_t, std::uint8_t*)>(
                dlsym(library, "CH367ReadIoByte")),
            reinterpret_cast<std::int32_t (*)(std::uint64_t, std::uint8_t)>(
                dlsym(library, "CH367WriteIoByte"))};
}

const Driver& driver(bool recorded) {
    static const Driver direct = load(TRIVIAL_DRIVER_PATH);
    static const Driver recorder = [] {
        setenv("CH367REC_DRIVER", TRIVIAL_DRIVER_PATH, 1);
        setenv("CH367REC_TRACE", "/dev/null", 0);
        return load(RECORDER_PATH);
    }();
    return recorded ? recorder : direct;
}

void BM_WriteIoByte(benchmark::State& state) {
    const Driver& called = driver(state.range(0) != 0);
    std::uint8_t value = 0;
    for (auto _ : state) benchmark::DoNotOptimize(called.write(0xD0F0, value++));
}
BENCHMARK(BM_WriteIoByte)->ArgName("recorded")->Arg(0)->Arg(1);

void BM_ReadIoByte(benchmark::State& state) {
    const Driver& called = driver(state.range(0) != 0);
    std::uint8_t value = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(called.read(0xD0E8, &value));
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_ReadIoByte)->ArgName("recorded")->Arg(0)->Arg(1);

}  // namespace
