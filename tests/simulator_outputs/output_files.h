// Reading the simulator's output files back in tests: the command log's lines, the bus cost's
// rows, the VCD's value changes, and the VCD decoded by sigrok-cli's SPI decoder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

std::vector<std::string> read_lines(const std::filesystem::path& path);

struct LogLine {
    std::uint64_t first_sequence = 0;  // 0 for "#-"
    std::uint64_t last_sequence = 0;
    std::uint64_t time = 0;
    std::string command;
    std::string export_name;
};
std::vector<LogLine> read_command_log(const std::filesystem::path& path);

struct CostRow {
    std::uint64_t calls, transactions, accesses, bytes;
};
// Rows by export name ("total" included).
std::map<std::string, CostRow> read_bus_cost(const std::filesystem::path& path);

// The value changes at each time stamp, as "<value><signal name>" (e.g. "0cs1").
std::map<std::uint64_t, std::vector<std::string>> read_vcd_changes(const std::filesystem::path& path);

// The MOSI or MISO bytes of each chip-select frame of `chip_select` (e.g. "cs0") that sigrok-cli
// decodes from the VCD (frames without clock edges left out); nullopt when sigrok-cli is missing.
std::optional<std::vector<std::vector<std::uint8_t>>> sigrok_transfers(
    const std::filesystem::path& vcd, const std::string& chip_select, bool miso);

// Sets an environment variable of this process.
void set_environment(const char* name, const std::string& value);
