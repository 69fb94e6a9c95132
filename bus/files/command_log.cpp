#include "command_log.h"

#include "text_file.h"

namespace ch367bus {

namespace {

constexpr std::size_t kSequenceWidth = 16;
constexpr std::size_t kTimeWidth = 14;
constexpr std::size_t kTextWidth = 60;

std::string sequence_text(const DecodedCommand& command) {
    if (command.first_sequence == 0) return "#-";
    std::string text = "#" + std::to_string(command.first_sequence);
    if (command.last_sequence != command.first_sequence) {
        text += "-" + std::to_string(command.last_sequence);
    }
    return text;
}

}  // namespace

bool write_command_log(const std::string& path, const CommandDecoder& decoder) {
    TextFile file(path);
    file.write(
        "# Commands the host sent to the simulated card, one per line: transaction numbers\n"
        "# (#- for none), t= virtual time in ns of the first chip select in the bus recording,\n"
        "# the command, and after \";\" the export it is attributed to (\"/\": exports the bus\n"
        "# cannot tell apart). A run of identical commands is one line: the transactions of\n"
        "# the first to the last, and (xN) their count.\n");
    for (const DecodedCommand& command : decoder.commands()) {
        std::string line = padded(sequence_text(command), kSequenceWidth);
        line += padded("t=" + std::to_string(command.time), kTimeWidth);
        line += padded(command.text, kTextWidth);
        line += " ; " + decoder.calls()[command.call].name;
        if (command.count > 1) line += " (x" + std::to_string(command.count) + ")";
        line += "\n";
        file.write(line);
    }
    return file.close();
}

}  // namespace ch367bus
