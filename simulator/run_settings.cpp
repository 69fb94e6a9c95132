#include "run_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "environment_number.h"

namespace ch367sim {

namespace {

// The value of `name` when it is set and `parse` takes it; otherwise empty, with one line on
// stderr for a value it refuses.
template <class T, class Parse>
std::optional<T> requested(const char* name, const char* expected, Parse parse) {
    const char* text = std::getenv(name);
    if (text == nullptr) return std::nullopt;
    std::optional<T> value = parse(text);
    if (!value) std::fprintf(stderr, "ch367sim: %s=%s is not %s; ignored\n", name, text, expected);
    return value;
}

}  // namespace

bool valid_clock(int clock) { return clock == CH367SIM_PG_CLOCK_REAL || clock == CH367SIM_PG_CLOCK_TEST; }
bool valid_sample_rate(std::uint64_t hz) { return hz >= 1 && hz <= CH367SIM_PG_MAX_SAMPLE_RATE; }
bool valid_length(std::uint64_t words) { return words <= CH367SIM_PG_MEMORY_WORDS; }

RunSettings RunSettingsRequest::applied_to(RunSettings settings) const {
    if (clock) settings.clock = *clock;
    if (sample_rate) settings.sample_rate = *sample_rate;
    if (length) settings.length = *length;
    if (repeat) settings.repeat = *repeat;
    return settings;
}

RunSettingsRequest run_settings_from_environment() {
    RunSettingsRequest request;
    request.clock = requested<std::uint8_t>("CH367SIM_PG_CLOCK", "real or test",
                                            [](const char* text) -> std::optional<std::uint8_t> {
        if (std::strcmp(text, "real") == 0) return CH367SIM_PG_CLOCK_REAL;
        if (std::strcmp(text, "test") == 0) return CH367SIM_PG_CLOCK_TEST;
        return std::nullopt;
    });
    request.sample_rate = requested<std::uint64_t>(
        "CH367SIM_PG_SAMPLE_RATE", "a rate of 1 to 10000000000 Hz",
        [](const char* text) -> std::optional<std::uint64_t> {
            const auto hz = environment_number(text);
            if (!hz || !valid_sample_rate(*hz)) return std::nullopt;
            return hz;
        });
    request.length = requested<std::uint32_t>(
        "CH367SIM_PG_LENGTH", "a length of 1 to 65536 words or \"default\"",
        [](const char* text) -> std::optional<std::uint32_t> {
            if (std::strcmp(text, "default") == 0) return 0u;
            const auto words = environment_number(text);
            if (!words || *words == 0 || !valid_length(*words)) return std::nullopt;
            return static_cast<std::uint32_t>(*words);
        });
    request.repeat = requested<bool>("CH367SIM_PG_REPEAT", "0 or 1",
                                     [](const char* text) -> std::optional<bool> {
        if (std::strcmp(text, "0") == 0) return false;
        if (std::strcmp(text, "1") == 0) return true;
        return std::nullopt;
    });
    return request;
}

}  // namespace ch367sim
