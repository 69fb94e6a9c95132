// The pattern generator's run model: while running, one output-memory word per sample. A run is
// anchored where it began (run_start on the clock, run_start_counter); the position at any time
// is computed from the samples elapsed since then, so a card file shared by several processes
// holds one run that every process sees at the same place.
#include <algorithm>

#include "monotonic_clock.h"
#include "pattern_generator.h"

namespace ch367sim {

namespace {

constexpr std::uint64_t kNanosecondsPerSecond = 1'000'000'000u;

// Both split the product so that it fits 64 bits for rates up to CH367SIM_PG_MAX_SAMPLE_RATE.
std::uint64_t samples_in(std::uint64_t ns, std::uint64_t rate) {
    return ns / kNanosecondsPerSecond * rate + ns % kNanosecondsPerSecond * rate / kNanosecondsPerSecond;
}

std::uint64_t nanoseconds_of(std::uint64_t samples, std::uint64_t rate) {
    return samples / rate * kNanosecondsPerSecond + samples % rate * kNanosecondsPerSecond / rate;
}

}  // namespace

std::uint32_t PatternGenerator::pattern_length() const { return ch367sim_card_pattern_length(state_); }

std::uint64_t PatternGenerator::clock_now() const {
    return state_->clock == CH367SIM_PG_CLOCK_TEST ? state_->test_time : monotonic_ns();
}

std::uint64_t PatternGenerator::elapsed_samples() const {
    const std::uint64_t now = clock_now();
    if (now <= state_->run_start) return 0;
    const std::uint64_t elapsed = now - state_->run_start;
    if (state_->clock == CH367SIM_PG_CLOCK_TEST) return elapsed;
    return samples_in(elapsed, state_->sample_rate);
}

void PatternGenerator::start_run() {
    state_->run_start = clock_now();
    state_->run_start_counter = state_->program_counter;
    state_->run_played = 0;
}

void PatternGenerator::restart_run_if_running() {
    if (state_->status & CH367SIM_PG_STATUS_RUNNING) start_run();
}

// Plays the run up to sample `samples` of it (counted from its start) and returns how many
// samples played now. Sample k shows word run_start_counter + k until the last word of the
// pattern (a run started at or past the length plays its one word); after it the pattern wraps
// to word 0 when repeating, and otherwise ends: halted, program counter 0, the lines holding
// the last word.
std::uint64_t PatternGenerator::play_until(std::uint64_t samples) {
    ch367sim_card_pattern_generator& s = *state_;
    const std::uint64_t played = s.run_played;
    if (samples <= played) return 0;
    const std::uint64_t length = pattern_length();
    const std::uint64_t start = s.run_start_counter;
    const std::uint64_t first_pass = start < length ? length - start : 1;
    const auto word_at = [&](std::uint64_t k) {
        return k < first_pass ? start + k : (k - first_pass) % length;
    };
    const auto word_value = [&](std::uint64_t k) {
        return s.out_memory[word_at(k) % CH367SIM_PG_MEMORY_WORDS];
    };
    const bool ends = !s.repeat && samples >= first_pass;
    const std::uint64_t last_shown = ends ? first_pass - 1 : samples;
    if (observer_ != nullptr) {
        const std::uint64_t rate = s.sample_rate;
        const std::uint64_t from = nanoseconds_of(played, rate);
        std::uint32_t shown = s.io_lines;
        for (std::uint64_t k = played + 1; k <= last_shown; ++k) {
            const std::uint32_t value = word_value(k);
            if (value == shown) continue;
            observer_->io_lines_changed(value, nanoseconds_of(k, rate) - from);
            shown = value;
        }
        observer_->pattern_played(nanoseconds_of(samples, rate) - from);
    }
    if (last_shown > played) s.io_lines = word_value(last_shown);
    if (ends) {
        s.status = static_cast<std::uint16_t>((s.status & ~CH367SIM_PG_STATUS_RUNNING) |
                                              CH367SIM_PG_STATUS_HALTED);
        s.program_counter = 0;
        s.run_played = first_pass;
        return first_pass - played;
    }
    s.program_counter = static_cast<std::uint32_t>(word_at(samples));
    s.run_played = samples;
    return samples - played;
}

std::uint64_t PatternGenerator::advance(std::uint64_t samples, bool idle) {
    if (state_->clock != CH367SIM_PG_CLOCK_TEST) return 0;
    state_->test_time += samples;
    if (!(state_->status & CH367SIM_PG_STATUS_RUNNING) || !idle) return 0;
    return play_until(elapsed_samples());
}

ch367sim_pg_run_settings PatternGenerator::run_settings() const {
    return {state_->clock, state_->repeat, state_->sample_rate, state_->length, pattern_length()};
}

// A change of setting takes effect from the sample playing now: the run so far is played with
// the old settings, then starts afresh where it stands.
void PatternGenerator::apply(const RunSettings& settings) {
    bring_up_to_date();
    state_->clock = settings.clock;
    state_->sample_rate = settings.sample_rate;
    state_->length = settings.length;
    state_->repeat = settings.repeat ? 1 : 0;
    restart_run_if_running();
}

bool PatternGenerator::set_clock(int clock) {
    if (!valid_clock(clock)) return false;
    RunSettings settings = current_settings();
    settings.clock = static_cast<std::uint8_t>(clock);
    apply(settings);
    return true;
}

bool PatternGenerator::set_sample_rate(std::uint64_t hz) {
    if (!valid_sample_rate(hz)) return false;
    RunSettings settings = current_settings();
    settings.sample_rate = hz;
    apply(settings);
    return true;
}

bool PatternGenerator::set_length(std::uint64_t words) {
    if (!valid_length(words)) return false;
    RunSettings settings = current_settings();
    settings.length = static_cast<std::uint32_t>(words);
    apply(settings);
    return true;
}

void PatternGenerator::set_repeat(bool repeat) {
    RunSettings settings = current_settings();
    settings.repeat = repeat;
    apply(settings);
}

}  // namespace ch367sim
