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

    // Parses the words of a command (without the program name). Throws Failure (a usage error)
    // for a word that names no command, and CLI::ParseError for any other usage error or a
    // request for help or the version.
    Action parse(std::vector<std::string> words);
    // The command as typed, e.g. "oled text", as far as its words name commands (and the word
    // that named none); set by parse, also when it throws.
    const std::string& path() const { return path_; }
    // Help text of the command that was being parsed when help was requested.
    std::string help() const { return app_.help(); }

private:
    struct Leaf {
        CLI::App* command;
        Action action;
    };
    void add_table(std::span<const Command> table);
    void find_command_path(const std::vector<std::string>& words);
    // The option of the whole program that the word names; a Failure when it names none.
    const CLI::Option* global_option(const std::string& word);

    Scope scope_;
    CLI::App app_;
    std::vector<Leaf> leaves_;
    std::string path_;
};

}  // namespace dio
