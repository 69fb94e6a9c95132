// The one parser of dio commands, built from the command tables: it parses the words of the
// process's command line or of one script line and yields the selected command's action.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <utility>
#include <vector>

#include "command_table.h"

namespace dio {

enum class Scope { command_line, script };

class CommandParser {
public:
    explicit CommandParser(Scope scope);

    // Parses the words of a command (without the program name). Throws CLI::ParseError on a
    // usage error or a request for help.
    Action parse(std::vector<std::string> words);
    // The selected command as typed, e.g. "oled text"; valid after parse.
    std::string selected_path() const;
    // Help text of the command that was being parsed when help was requested.
    std::string help() const { return app_.help(); }

private:
    struct Leaf {
        CLI::App* command;
        std::string path;
        Action action;
    };
    void add_table(std::span<const Command> table);
    void check_command_names(const std::vector<std::string>& words) const;

    CLI::App app_;
    std::vector<Leaf> leaves_;
};

}  // namespace dio
