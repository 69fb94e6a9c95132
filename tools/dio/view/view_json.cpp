#include "view_json.h"

#include <algorithm>
#include <string>

namespace dio {

namespace {

constexpr std::uint8_t kLines = 0xF1;
constexpr unsigned kChipSelects = 6;
constexpr std::uint8_t kDataMode = 0x40;
constexpr std::uint8_t kResetReleased = 0x80;

constexpr std::uint16_t kRunBits = CH367SIM_PG_STATUS_ARMED | CH367SIM_PG_STATUS_RUNNING |
                                   CH367SIM_PG_STATUS_PAUSED | CH367SIM_PG_STATUS_HALTED;

std::string hex_bytes(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(2 * count, '0');
    for (std::size_t i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

nlohmann::json pattern_generator_json(const ch367sim_card_pattern_generator& pg) {
    nlohmann::json bits = nlohmann::json::array();
    std::string run_state = "none";
    for (const ch367sim_status_bit& bit : ch367sim_status_bits) {
        if ((pg.status & bit.mask) == 0) continue;
        bits.push_back(bit.name);
        if ((bit.mask & kRunBits) != 0) run_state = bit.name;
    }
    // Words around the program counter, within the memory.
    const std::uint32_t pc = pg.program_counter % CH367SIM_PG_MEMORY_WORDS;
    const std::uint32_t first = pc - std::min(pc, kViewWordsAround);
    const std::uint32_t last = std::min(pc + kViewWordsAround, CH367SIM_PG_MEMORY_WORDS - 1);
    return {
        {"program_counter", pg.program_counter},
        {"status", pg.status},
        {"status_bits", bits},
        {"run_state", run_state},
        {"io_lines", pg.io_lines},
        {"trigger_mode", {pg.trigger_mode[0], pg.trigger_mode[1]}},
        {"dds_resets", pg.dds_resets},
        {"out_start", first},
        {"out_words", std::vector<std::uint32_t>(pg.out_memory + first, pg.out_memory + last + 1)},
    };
}

// The run as it happens: the run state and program counter, with the run model's settings.
nlohmann::json run_json(const ch367sim_card_state& card, const std::string& run_state) {
    nlohmann::json run = run_model_settings(card);
    run["state"] = run_state;
    run["program_counter"] = card.pattern_generator.program_counter;
    return run;
}

nlohmann::json commands_json(const ch367sim_card_state& card) {
    nlohmann::json commands = nlohmann::json::array();
    const std::uint64_t logged = card.commands_logged;
    const std::uint64_t kept = std::min<std::uint64_t>({logged, kViewCommands, CH367SIM_CARD_COMMANDS});
    for (std::uint64_t n = logged - kept; n < logged; ++n) {
        const ch367sim_card_command& command = card.commands[n % CH367SIM_CARD_COMMANDS];
        const auto length = static_cast<std::size_t>(
            std::find(command.text, command.text + sizeof command.text, '\0') - command.text);
        commands.push_back({{"first", command.first_sequence},
                            {"last", command.last_sequence},
                            {"text", std::string(command.text, length)}});
    }
    return commands;
}

}  // namespace

nlohmann::json card_json(const ch367sim_card_state& card) {
    const std::uint8_t lines = card.bridge.registers[kLines];
    nlohmann::json selected = nlohmann::json::array();
    for (unsigned i = 0; i < kChipSelects; ++i) selected.push_back((lines & (1u << i)) == 0);
    const nlohmann::json generator = pattern_generator_json(card.pattern_generator);
    return {
        {"changes", card.changes},
        {"display",
         {{"on", card.display.on != 0},
          {"write_position", card.display.write_position},
          {"memory", hex_bytes(card.display.memory, sizeof card.display.memory)}}},
        {"pattern_generator", generator},
        {"run", run_json(card, generator["run_state"].get<std::string>())},
        {"bridge",
         {{"lines", lines},
          {"selected", selected},
          {"data_mode", (lines & kDataMode) != 0},
          {"reset_released", (lines & kResetReleased) != 0},
          {"in_transaction", card.bridge.in_transaction != 0},
          {"transactions", card.bridge.counters.transactions}}},
        {"commands", commands_json(card)},
    };
}

nlohmann::json run_model_settings(const ch367sim_card_state& card) {
    const ch367sim_card_pattern_generator& pg = card.pattern_generator;
    return {{"sample_rate_hz", pg.sample_rate},
            {"clock", pg.clock == CH367SIM_PG_CLOCK_TEST ? "test" : "real"},
            {"length", ch367sim_card_pattern_length(&pg)},
            {"repeat", pg.repeat != 0}};
}

std::string memory_bytes(const ch367sim_card_state& card) {
    std::string bytes(2 * 4 * std::size_t{CH367SIM_PG_MEMORY_WORDS}, '\0');
    std::size_t at = 0;
    for (const std::uint32_t* memory : {card.pattern_generator.out_memory, card.pattern_generator.ctrl_memory}) {
        for (std::uint32_t i = 0; i < CH367SIM_PG_MEMORY_WORDS; ++i) {
            for (unsigned shift = 0; shift < 32; shift += 8) bytes[at++] = static_cast<char>(memory[i] >> shift);
        }
    }
    return bytes;
}

}  // namespace dio
