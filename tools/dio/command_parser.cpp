#include "command_parser.h"

#include <algorithm>
#include <string_view>

#include "failure.h"

#include "simulator_link.h"

namespace dio {

namespace {

// Edits (insertions, deletions, substitutions) that turn one word into the other.
std::size_t edit_distance(std::string_view from, std::string_view to) {
    std::vector<std::size_t> row(to.size() + 1);
    for (std::size_t j = 0; j <= to.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= from.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= to.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (from[i - 1] != to[j - 1])});
            diagonal = above;
        }
    }
    return row[to.size()];
}

// The known name nearest to a mistyped one, when it is near enough to be what was meant.
std::string nearest_name(std::string_view word, const std::vector<std::string>& known) {
    constexpr std::size_t kMaxEdits = 2;
    std::string nearest;
    std::size_t best = kMaxEdits + 1;
    for (const std::string& name : known) {
        const std::size_t distance = edit_distance(word, name);
        if (distance < best && distance < word.size()) {
            best = distance;
            nearest = name;
        }
    }
    return nearest;
}

std::vector<std::string> command_names(const std::vector<const CLI::App*>& commands) {
    std::vector<std::string> names;
    for (const CLI::App* command : commands) names.push_back(command->get_name());
    return names;
}

// The options of a command as they are typed: "--card", "-h".
std::vector<std::string> option_names(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    }
    return names;
}

}  // namespace

CommandParser::CommandParser(Scope scope)
    : scope_(scope),
      app_("Drives the Quorvel digital-I/O card and its OLED display through QuorvelWCHDLL.",
           "dio") {
    app_.require_subcommand(1);
    // CLI11 takes "/name" for an option on Windows by default: there it is a path, as on Linux.
    app_.allow_windows_style_options(false);
    if (scope == Scope::command_line) app_.set_version_flag("--version", "dio " DIO_VERSION);
    add_table(card_commands());
    add_table(display_commands());
    add_table(bitmap_commands());
    add_table(image_commands());
    add_table(simulator_commands());
    add_table(run_model_commands());
    add_table(trace_commands());
    add_table(trace_decoding_commands());
    add_table(trace_replay_commands());
    if (scope == Scope::command_line) {
        add_table(script_commands());
        app_.add_option_function<std::string>(
                "--card", [](const std::string& path) { set_card_path(path); },
                "keep the simulated card in this file (sets CH367SIM_CARD)")
            ->check(CLI::Validator(
                [](const std::string& path) {
                    return path.empty() ? "an empty name names no card file (leave --card out "
                                          "for a card of this process alone)"
                                        : "";
                },
                "FILE"));
    }
}

void CommandParser::add_table(std::span<const Command> table) {
    for (const Command& entry : table) {
        CLI::App* parent = &app_;
        if (!entry.group.empty()) parent = app_.get_subcommand(std::string(entry.group));
        CLI::App* command = parent->add_subcommand(std::string(entry.name), std::string(entry.summary));
        if (entry.define == nullptr) {
            command->require_subcommand(1);
        } else {
            leaves_.push_back({command, entry.define(*command)});
        }
    }
}

// Follows the words down the command tree. CLI11 would only say that a subcommand is required;
// name the word it did not know instead, and the command that was probably meant, or say that
// the words stopped short of a command.
void CommandParser::find_command_path(const std::vector<std::string>& words) {
    const CLI::App* parent = &app_;
    path_.clear();
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const auto known = parent->get_subcommands(nullptr);
        if (parent == &app_ && word.size() > 1 && word.front() == '-') {
            // The command follows the options before it and their values; a flag (--help,
            // --version) is CLI11's to act on.
            const CLI::Option* option = global_option(word);
            if (option->get_items_expected_min() == 0) return;
            if (word.find('=') == std::string::npos && ++i == words.size()) return;
            continue;
        }
        if (word.empty() || word.front() == '-' || known.empty()) return;
        const std::string prefix = path_.empty() ? "" : path_ + " ";
        path_ = prefix + word;
        const auto found = std::find_if(known.begin(), known.end(),
                                        [&](const CLI::App* c) { return c->get_name() == word; });
        if (found != known.end()) {
            parent = *found;
            continue;
        }
        if (scope_ == Scope::script && path_ == "run") {
            throw Failure("cannot be used inside a script", kExitUsage);
        }
        const std::string nearest = nearest_name(word, command_names(known));
        throw Failure(nearest.empty() ? "unknown command (see --help)"
                                      : "unknown command; did you mean '" + prefix + nearest + "'?",
                      kExitUsage);
    }
    if (!parent->get_subcommands(nullptr).empty()) {
        throw Failure("a command is missing (see --help)", kExitUsage);
    }
}

// CLI11 would only say that the word was not expected; name the option that was probably meant.
const CLI::Option* CommandParser::global_option(const std::string& word) {
    const std::string name = word.substr(0, word.find('='));  // "--card=x.card"
    if (const CLI::Option* option = app_.get_option_no_throw(name)) return option;
    path_ = name;
    const std::string nearest = nearest_name(name, option_names(app_));
    throw Failure(nearest.empty() ? "unknown option (see --help)"
                                  : "unknown option; did you mean '" + nearest + "'?",
                  kExitUsage);
}

Action CommandParser::parse(std::vector<std::string> words) {
    find_command_path(words);
    // CLI11 takes the words last first.
    std::reverse(words.begin(), words.end());
    app_.parse(words);
    for (const Leaf& leaf : leaves_) {
        if (leaf.command->parsed()) return leaf.action;
    }
    throw CLI::RequiredError("a command");
}

}  // namespace dio
