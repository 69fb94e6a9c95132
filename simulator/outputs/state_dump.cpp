#include "state_dump.h"

#include <cstdint>

#include "bridge_registers.h"
#include "ch367sim.h"
#include "text_file.h"

namespace ch367sim {

namespace {

constexpr std::uint32_t kWordsPerLine = 8;
constexpr std::size_t kListedRanges = 32;

std::string bit(std::uint8_t value, unsigned position) {
    return ((value >> position) & 1u) != 0 ? "1" : "0";
}

std::string line_register_text(std::uint8_t lines) {
    std::string text = "line register: " + ch367bus::hex_value(lines, 2) + " (cs5..cs0 = ";
    for (unsigned i = 6; i-- > 0;) text += bit(lines, i);
    return text + ", dc = " + bit(lines, 6) + ", rst = " + bit(lines, 7) + ")\n";
}

std::string status_text(std::uint16_t status) {
    std::string names;
    for (const ch367sim_status_bit& bit : ch367sim_status_bits) {
        if ((status & bit.mask) == 0) continue;
        names += names.empty() ? "" : ", ";
        names += bit.name;
    }
    return ch367bus::hex_value(status, 4) + (names.empty() ? "" : " (" + names + ")");
}

// The non-zero words of one memory: a summary of the ranges they form, then every line of
// eight words that holds one of them.
std::string memory_text(const char* name, const std::uint32_t* words) {
    const std::uint32_t size = CH367SIM_PG_MEMORY_WORDS;
    std::string ranges;
    std::uint64_t used = 0;
    std::size_t range_count = 0;
    for (std::uint32_t i = 0; i < size;) {
        if (words[i] == 0) {
            ++i;
            continue;
        }
        std::uint32_t end = i;
        while (end + 1 < size && words[end + 1] != 0) ++end;
        used += end - i + 1;
        if (range_count++ < kListedRanges) {
            ranges += "    " + ch367bus::hex_value(i, 4) + ".." + ch367bus::hex_value(end, 4) + " (" +
                      std::to_string(end - i + 1) + " words)\n";
        }
        i = end + 1;
    }
    std::string text = "  " + std::string(name) + ": ";
    if (used == 0) return text + "all zero\n";
    text += std::to_string(used) + " non-zero words in " + std::to_string(range_count) +
            (range_count == 1 ? " range\n" : " ranges\n");
    text += ranges;
    if (range_count > kListedRanges) {
        text += "    ... " + std::to_string(range_count - kListedRanges) + " more ranges\n";
    }
    for (std::uint32_t line = 0; line < size; line += kWordsPerLine) {
        bool any = false;
        for (std::uint32_t i = line; i < line + kWordsPerLine; ++i) any = any || words[i] != 0;
        if (!any) continue;
        text += "    " + ch367bus::hex_value(line, 4) + ":";
        for (std::uint32_t i = line; i < line + kWordsPerLine; ++i) {
            text += " " + ch367bus::hex_value(words[i], 8).substr(2);
        }
        text += "\n";
    }
    return text;
}

// The run model's settings: the simulator's assumptions, which a dump should not leave out when
// it shows where a pattern stood.
std::string run_model_text() {
    const ch367sim_pg_run_settings s = ch367sim_pg_get_run_settings();
    return std::string("  run model (the simulator's assumptions): ") +
           (s.clock == CH367SIM_PG_CLOCK_TEST ? "test time" : "real time") + " at " +
           std::to_string(s.sample_rate) + " Hz, pattern length " + std::to_string(s.pattern_length) +
           " words" + (s.length == 0 ? " (default)" : "") + ", repeat " + (s.repeat != 0 ? "on" : "off") +
           "\n";
}

std::string pattern_generator_text() {
    const ch367sim_pattern_generator pg = ch367sim_get_pattern_generator();
    std::string text = "pattern generator (device 0):\n";
    text += "  program counter: " + std::to_string(pg.program_counter) + "\n";
    text += "  status register: " + status_text(pg.status) + "\n";
    text += "  I/O lines: " + ch367bus::hex_value(pg.io_lines, 8) + "\n";
    text += "  trigger mode: " + ch367bus::hex_value(pg.trigger_mode[0], 2) + " " +
            ch367bus::hex_value(pg.trigger_mode[1], 2) + "\n";
    text += "  DDS resets: " + std::to_string(pg.dds_resets) + "\n";
    text += run_model_text();
    text += memory_text("control memory", pg.ctrl_memory);
    text += memory_text("output memory", pg.out_memory);
    return text;
}

// The display memory as a picture: one hex digit per pixel, '.' for level 0; runs of blank rows
// in one line.
std::string display_text() {
    const std::uint8_t* memory = ch367sim_display_memory();
    const std::uint16_t position = ch367sim_display_write_position();
    std::string text = "display (device 1): ";
    text += ch367sim_display_is_on() != 0 ? "on" : "off";
    text += ", write position row " + std::to_string(position / CH367SIM_DISPLAY_ROW_BYTES) +
            " col " + std::to_string(position % CH367SIM_DISPLAY_ROW_BYTES) + ", " +
            std::to_string(ch367sim_display_unknown_commands()) + " unknown command bytes\n";
    text += "  memory, one hex digit per pixel ('.' for 0):\n";
    const auto blank = [memory](unsigned row) {
        for (unsigned c = 0; c < CH367SIM_DISPLAY_ROW_BYTES; ++c) {
            if (memory[row * CH367SIM_DISPLAY_ROW_BYTES + c] != 0) return false;
        }
        return true;
    };
    for (unsigned row = 0; row < CH367SIM_DISPLAY_ROWS;) {
        if (blank(row)) {
            unsigned last = row;
            while (last + 1 < CH367SIM_DISPLAY_ROWS && blank(last + 1)) ++last;
            text += "  rows " + std::to_string(row) + ".." + std::to_string(last) + ": blank\n";
            row = last + 1;
            continue;
        }
        std::string pixels;
        for (unsigned c = 0; c < CH367SIM_DISPLAY_ROW_BYTES; ++c) {
            for (const char digit : ch367bus::hex_byte(memory[row * CH367SIM_DISPLAY_ROW_BYTES + c])) {
                pixels += digit == '0' ? '.' : digit;
            }
        }
        text += "  row " + ch367bus::padded(std::to_string(row) + ":", 4) + pixels + "\n";
        ++row;
    }
    return text;
}

std::string bridge_text() {
    std::string text = "bridge: ";
    text += ch367sim_is_open() != 0 ? "open" : "closed";
    text += ", control " + ch367bus::hex_value(ch367sim_register(ch367bus::kBridgeControl), 2);
    text += ", SPI control " + ch367bus::hex_value(ch367sim_register(ch367bus::kSpiControl), 2);
    text += ", SPI data " + ch367bus::hex_value(ch367sim_register(ch367bus::kSpiData), 2);
    text += ", address low " + ch367bus::hex_value(ch367sim_register(ch367bus::kAddressLow), 2) + "\n";
    const ch367sim_counters counters = ch367sim_get_counters();
    text += "  " + std::to_string(counters.transactions) + " transactions, " +
            std::to_string(counters.register_reads) + " register reads, " +
            std::to_string(counters.register_writes) + " register writes\n";
    if (counters.closed_accesses != 0) {
        text += "  " + std::to_string(counters.closed_accesses) +
                " register accesses refused: bridge closed\n";
    }
    return text + line_register_text(ch367sim_line_register());
}

}  // namespace

bool write_state_dump(const std::string& path) {
    ch367bus::TextFile file(path);
    file.write("# State of the simulated card\n");
    file.write(bridge_text());
    file.write(pattern_generator_text());
    file.write(display_text());
    return file.close();
}

}  // namespace ch367sim
