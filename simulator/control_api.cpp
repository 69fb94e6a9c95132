// The simulator's control API over the one simulated card.
#include <atomic>
#include <cstring>

#include "bridge_registers.h"
#include "card.h"
#include "ch367sim.h"
#include "display_png.h"
#include "outputs/image_check.h"

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
SIM_API uint8_t ch367sim_line_register(void) { return bridge().register_value(kLines); }
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

SIM_API ch367sim_pattern_generator ch367sim_get_pattern_generator(void) {
    return card().pattern_generator.snapshot();
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
    card().snapshot(*state);
    return 1;
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
    if (storage.refused()) return -1;
    return storage.file() != nullptr ? 1 : 0;
}

SIM_API int ch367sim_write_outputs(void) {
    OutputSet* outputs = card().outputs.get();
    return outputs != nullptr && outputs->write_files() ? 1 : 0;
}
