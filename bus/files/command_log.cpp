#include "command_log.h"

#include "text_file.h"

namespace ch367bus {

namespace {

constexpr std::size_t kSequenceWidth = 16;
constexpr std::size_t kTimeWidth = 14;
constexpr std::size_t kTextWidth = 60;

}  // namespace

std::string command_transactions(const DecodedCommand& command) {
    std::string text = "#-";
    if (command.first_sequence != 0) {
        text = "#" + std::to_string(command.first_sequence);
        if (command.last_sequence != command.first_sequence) {
            text += "-" + std::to_string(command.last_sequence);
        }
    }
    return padded(text, kSequenceWidth);
}

std::string command_attributed(const DecodedCommand& command, const CommandDecoder& decoder) {
    std::string text = padded(command.text, kTextWidth) + " ; " + decoder.calls()[command.call].name;
    if (command.count > 1) text += " (x" + std::to_string(command.count) + ")";
    return text;
}

bool write_command_log(const std::string& path, const CommandDecoder& decoder) {
    TextFile file(path);
    file.write(
        "# Commands the host sent to the simulated card, one per line: transaction numbers\n"
        "# (#- for none), t= virtual time in ns of the first chip select in the bus recording,\n"
        "# the command, and after \";\" the export it is attributed to (\"/\": exports the bus\n"
        "# cannot tell apart). A run of identical commands is one line: the transactions of\n"
        "# the first to the last, and (xN) their count.\n");
    for (const DecodedCommand& command : decoder.commands()) {
        file.write(command_transactions(command) + padded("t=" + std::to_string(command.time), kTimeWidth) +
                   command_attributed(command, decoder) + "\n");
    }
    return file.close();
}

}  // namespace ch367bus
