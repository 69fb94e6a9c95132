#include "command_parser.h"

#include <algorithm>

#include "simulator_link.h"

namespace dio {

CommandParser::CommandParser(Scope scope)
    : app_("Drives the Quorvel digital-I/O card and its OLED display through QuorvelWCHDLL.",
           "dio") {
    app_.require_subcommand(1);
    add_table(card_commands());
    add_table(display_commands());
    add_table(bitmap_commands());
    add_table(image_commands());
    add_table(simulator_commands());
    if (scope == Scope::command_line) {
        add_table(script_commands());
        app_.add_option_function<std::string>(
            "--card", [](const std::string& path) { set_card_path(path); },
            "keep the simulated card in this file (sets CH367SIM_CARD)");
    }
}

void CommandParser::add_table(std::span<const Command> table) {
    for (const Command& entry : table) {
        CLI::App* parent = &app_;
        std::string path(entry.name);
        if (!entry.group.empty()) {
            parent = app_.get_subcommand(std::string(entry.group));
            path = std::string(entry.group) + " " + path;
        }
        CLI::App* command = parent->add_subcommand(std::string(entry.name), std::string(entry.summary));
        if (entry.define == nullptr) {
            command->require_subcommand(1);
        } else {
            leaves_.push_back({command, std::move(path), entry.define(*command)});
        }
    }
}

// CLI11 would only say that a subcommand is required; name the word it did not know instead.
void CommandParser::check_command_names(const std::vector<std::string>& words) const {
    const CLI::App* parent = &app_;
    std::string path;
    for (const std::string& word : words) {
        const auto known = parent->get_subcommands(nullptr);
        if (word.empty() || word.front() == '-' || known.empty()) return;
        const auto found = std::find_if(known.begin(), known.end(),
                                        [&](const CLI::App* c) { return c->get_name() == word; });
        if (found == known.end()) {
            throw CLI::ExtrasError("unknown command '" + path + word + "'",
                                   CLI::ExitCodes::ExtrasError);
        }
        parent = *found;
        path += word + " ";
    }
}

Action CommandParser::parse(std::vector<std::string> words) {
    check_command_names(words);
    // CLI11 takes the words last first.
    std::reverse(words.begin(), words.end());
    app_.parse(words);
    for (const Leaf& leaf : leaves_) {
        if (leaf.command->parsed()) return leaf.action;
    }
    throw CLI::RequiredError("a command");
}

std::string CommandParser::selected_path() const {
    for (const Leaf& leaf : leaves_) {
        if (leaf.command->parsed()) return leaf.path;
    }
    return {};
}

}  // namespace dio
