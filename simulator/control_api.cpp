// The simulator's control API over the one simulated card.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "bridge_registers.h"
#include "card.h"
#include "card_copy.h"
#include "ch367sim.h"
#include "display_png.h"
#include "outputs/image_check.h"
#include "recording_commands.h"
#include "trace_file.h"

using namespace ch367sim;

namespace {
Bridge& bridge() { return card().bridge; }
}  // namespace

#define SIM_API extern "C" CH367SIM_API

SIM_API void ch367sim_reset(void) {
    card().reset();
}

SIM_API void ch367sim_fail_open(int fail) { bridge().fail_open = fail != 0; }
SIM_API void ch367sim_fail_io_base(int fail) { bridge().fail_io_base = fail != 0; }
SIM_API void ch367sim_inject_gate_fault(ch367sim_gate_fault fault, uint64_t nth) {
    bridge().inject_gate_fault(fault, nth);
}
SIM_API void ch367sim_clear_faults(void) {
    bridge().fail_open = false;
    bridge().fail_io_base = false;
    bridge().inject_gate_fault(CH367SIM_GATE_OK, 0);
}

SIM_API int ch367sim_is_open(void) { return bridge().is_open() ? 1 : 0; }
SIM_API uint8_t ch367sim_register(uint8_t offset) { return bridge().register_value(offset); }
SIM_API uint8_t ch367sim_line_register(void) { return bridge().register_value(ch367bus::kLines); }
SIM_API void ch367sim_set_line_register(uint8_t value) {
    card().locked([value] {
        bridge().set_lines(value);
        return 0;
    });
}
SIM_API ch367sim_counters ch367sim_get_counters(void) { return bridge().counters(); }

SIM_API void ch367sim_set_logging(int enabled) { bridge().logging = enabled != 0; }
SIM_API size_t ch367sim_transaction_count(void) { return bridge().log().size(); }
SIM_API int ch367sim_get_transaction(size_t index, ch367sim_transaction* entry) {
    const auto& log = bridge().log();
    if (entry == nullptr || index >= log.size()) return 0;
    const Bridge::LoggedTransaction& t = log[index];
    *entry = {t.sequence, t.device,   t.lines,    static_cast<uint8_t>(t.success),
              t.out.size(), t.out.data(), t.in.size(), t.in.data()};
    return 1;
}
SIM_API void ch367sim_clear_log(void) { bridge().clear_log(); }

SIM_API void ch367sim_set_register_trace(int enabled) { bridge().tracing = enabled != 0; }
SIM_API size_t ch367sim_register_trace_count(void) { return bridge().trace().size(); }
SIM_API int ch367sim_get_register_access(size_t index, ch367sim_register_access* access) {
    const auto& trace = bridge().trace();
    if (access == nullptr || index >= trace.size()) return 0;
    *access = trace[index];
    return 1;
}
SIM_API void ch367sim_clear_register_trace(void) { bridge().clear_trace(); }

SIM_API int ch367sim_attach_device(uint8_t index, const ch367sim_device* device) {
    return card().attach_external(index, device) ? 1 : 0;
}

// Each runs on the pattern generator under the card's lock, with a running pattern brought up
// to date first, unless a command is under way (a caller between the driver calls of one, as a
// replay is): the command sees the run where it stood when it began.
template <class Work>
auto on_pattern_generator(Work&& work) {
    return card().locked([&] {
        PatternGenerator& pattern_generator = card().pattern_generator;
        if (card().idle()) pattern_generator.bring_up_to_date();
        return work(pattern_generator);
    });
}

SIM_API ch367sim_pattern_generator ch367sim_get_pattern_generator(void) {
    return on_pattern_generator([](PatternGenerator& pg) { return pg.snapshot(); });
}

SIM_API ch367sim_pg_run_settings ch367sim_pg_get_run_settings(void) {
    return on_pattern_generator([](PatternGenerator& pg) { return pg.run_settings(); });
}
SIM_API int ch367sim_pg_set_clock(int clock) {
    return on_pattern_generator([clock](PatternGenerator& pg) { return pg.set_clock(clock) ? 1 : 0; });
}
SIM_API int ch367sim_pg_set_sample_rate(uint64_t hz) {
    return on_pattern_generator([hz](PatternGenerator& pg) { return pg.set_sample_rate(hz) ? 1 : 0; });
}
SIM_API int ch367sim_pg_set_length(uint32_t words) {
    return on_pattern_generator([words](PatternGenerator& pg) { return pg.set_length(words) ? 1 : 0; });
}
SIM_API void ch367sim_pg_set_repeat(int repeat) {
    on_pattern_generator([repeat](PatternGenerator& pg) {
        pg.set_repeat(repeat != 0);
        return 0;
    });
}
SIM_API uint64_t ch367sim_pg_advance(uint64_t samples) {
    return on_pattern_generator([samples](PatternGenerator& pg) { return pg.advance(samples, card().idle()); });
}

static_assert(DisplayModel::kMemoryBytes == static_cast<std::size_t>(CH367SIM_DISPLAY_MEMORY_BYTES));

SIM_API const uint8_t* ch367sim_display_memory(void) { return card().display.memory(); }
SIM_API int ch367sim_display_is_on(void) { return card().display.is_on() ? 1 : 0; }
SIM_API uint16_t ch367sim_display_write_position(void) { return card().display.write_position(); }
SIM_API uint64_t ch367sim_display_unknown_commands(void) {
    return card().display.unknown_command_bytes();
}
SIM_API int ch367sim_write_display_png(const char* path, unsigned scale) {
    const DisplayModel& display = card().display;
    return write_display_png(path, display.memory(), display.is_on(), scale) ? 1 : 0;
}

SIM_API int ch367sim_compare_display_png(const char* reference_png, const char* diff_png,
                                         uint64_t* differing_pixels) {
    const DisplayModel& display = card().display;
    return compare_panel_with_png(reference_png, display.memory(), display.is_on(), diff_png,
                                  differing_pixels);
}

SIM_API int ch367sim_card_snapshot(ch367sim_card_state* state) {
    if (state == nullptr) return 0;
    return card().snapshot(*state) ? 1 : 0;
}

SIM_API int ch367sim_card_holder(uint32_t* pid, uint64_t* since_ms) {
    CardFile* file = card().storage.file();
    uint32_t holder = 0;
    uint64_t since = 0;
    const bool held = file != nullptr && file->held_elsewhere(holder, since);
    if (pid != nullptr) *pid = held ? holder : 0;
    if (since_ms != nullptr) *since_ms = held ? since : 0;
    return held ? 1 : 0;
}

SIM_API uint64_t ch367sim_card_changes(void) {
    return std::atomic_ref<uint64_t>(card().storage.state().changes).load(std::memory_order_relaxed);
}

SIM_API int ch367sim_card_shared(void) {
    const CardStorage& storage = card().storage;
    const CardFile* file = storage.file();
    if (storage.refused() || (file != nullptr && file->lost())) return -1;
    return file != nullptr ? 1 : 0;
}

namespace {
// A failure's sentence for the caller's buffer, cut to fit; returns 0, the failure's result.
int report_problem(const std::string& why, char* problem, size_t problem_size) {
    if (problem != nullptr && problem_size > 0) {
        const std::size_t length = std::min(why.size(), problem_size - 1);
        std::memcpy(problem, why.data(), length);
        problem[length] = '\0';
    }
    return 0;
}

// Runs a copy between the card and a file.
template <class Copy>
int copy_card(Copy copy, const char* path, char* problem, size_t problem_size) {
    std::string why;
    const bool done = path != nullptr ? copy(card(), path, why) : (why = "no file named", false);
    return done ? 1 : report_problem(why, problem, problem_size);
}
}  // namespace

SIM_API int ch367sim_card_save(const char* path, char* problem, size_t problem_size) {
    return copy_card(save_card, path, problem, problem_size);
}

SIM_API int ch367sim_card_restore(const char* path, char* problem, size_t problem_size) {
    return copy_card(restore_card, path, problem, problem_size);
}

SIM_API void ch367sim_report_card_refusal_myself(void) { CardStorage::host_reports_refusal = true; }

SIM_API const char* ch367sim_card_refusal(void) {
    const CardStorage& storage = card().storage;
    return storage.refused() ? storage.refusal().c_str() : nullptr;
}

SIM_API int ch367sim_write_outputs(void) {
    OutputSet* outputs = card().outputs.get();
    return outputs != nullptr && outputs->write_files() ? 1 : 0;
}

SIM_API int ch367sim_decode_recording(const char* path,
                                      ch367sim_recorded_command_callback callback, void* user,
                                      char* problem, size_t problem_size) {
    if (path == nullptr) return report_problem("no file named", problem, problem_size);
    std::string error;
    const std::optional<ch367bus::Trace> trace = ch367bus::read_trace(path, error);
    if (!trace) return report_problem(std::string(path) + ": " + error, problem, problem_size);
    const ch367bus::RecordingCommands recording(*trace);
    const ch367bus::CommandDecoder& decoder = recording.decoder();
    for (const ch367bus::DecodedCommand& command : decoder.commands()) {
        const ch367sim_recorded_command entry{
            command.text.c_str(),      decoder.calls()[command.call].name.c_str(),
            command.first_sequence,    command.last_sequence,
            command.count,             recording.since_first_call(command.time),
            command.end - command.time};
        if (callback != nullptr) callback(&entry, user);
    }
    return 1;
}
