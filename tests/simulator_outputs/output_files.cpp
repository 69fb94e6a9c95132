#include "output_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#if defined(_WIN32)
#  define popen _popen
#  define pclose _pclose
#endif

std::vector<std::string> read_lines(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

// "#2-5            t=1500        pg w start=16 ... ; DioWriteCtrlMemory"
std::vector<LogLine> read_command_log(const std::filesystem::path& path) {
    std::vector<LogLine> result;
    for (const std::string& line : read_lines(path)) {
        if (line.empty() || line[0] != '#' || line.rfind("# ", 0) == 0) continue;
        std::istringstream fields(line);
        std::string sequence, time;
        fields >> sequence >> time;
        LogLine entry;
        if (sequence != "#-") {
            const auto dash = sequence.find('-');
            entry.first_sequence = std::stoull(sequence.substr(1, dash - 1));
            entry.last_sequence =
                dash == std::string::npos ? entry.first_sequence : std::stoull(sequence.substr(dash + 1));
        }
        entry.time = std::stoull(time.substr(2));
        const auto separator = line.rfind(" ; ");
        const auto text_start = line.find(time) + time.size();
        entry.command = trimmed(line.substr(text_start, separator - text_start));
        entry.export_name = line.substr(separator + 3);
        result.push_back(entry);
    }
    return result;
}

std::map<std::string, CostRow> read_bus_cost(const std::filesystem::path& path) {
    std::map<std::string, CostRow> rows;
    for (const std::string& line : read_lines(path)) {
        std::istringstream fields(line);
        CostRow row{};
        if (!(fields >> row.calls >> row.transactions >> row.accesses >> row.bytes)) continue;
        std::string name;
        std::getline(fields, name);
        rows[trimmed(name)] = row;
    }
    return rows;
}

std::map<std::uint64_t, std::vector<std::string>> read_vcd_changes(const std::filesystem::path& path) {
    std::map<char, std::string> names;  // identifier -> signal name
    std::map<std::uint64_t, std::vector<std::string>> changes;
    std::uint64_t time = 0;
    for (const std::string& line : read_lines(path)) {
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        if (word == "$var") {
            std::string type, width, id, name;
            fields >> type >> width >> id >> name;
            names[id[0]] = name;
        } else if (!word.empty() && word[0] == '#') {
            time = std::stoull(word.substr(1));
        } else if (word.size() == 2 && (word[0] == '0' || word[0] == '1') && names.count(word[1])) {
            changes[time].push_back(word[0] + names[word[1]]);
        }
    }
    return changes;
}

std::optional<std::vector<std::vector<std::uint8_t>>> sigrok_transfers(
    const std::filesystem::path& vcd, const std::string& chip_select, bool miso) {
    // Whether sigrok-cli is there does not change while the tests run: ask once.
    static const bool installed = std::system("sigrok-cli --version > /dev/null 2>&1") == 0;
    if (!installed) return std::nullopt;
    const std::string command = "sigrok-cli -I vcd -i '" + vcd.string() +
                                "' -P spi:clk=sclk:mosi=mosi:miso=miso:cs=" + chip_select +
                                " -A spi=" + (miso ? "miso" : "mosi") + "-transfer 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);

    std::vector<std::vector<std::uint8_t>> transfers;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::string prefix = "spi-1:";
        if (line.rfind(prefix, 0) != 0) continue;
        std::istringstream bytes(line.substr(prefix.size()));
        std::vector<std::uint8_t> transfer;
        for (std::string hex; bytes >> hex;) {
            transfer.push_back(static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16)));
        }
        if (!transfer.empty()) transfers.push_back(transfer);
    }
    return transfers;
}

void set_environment(const char* name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}
