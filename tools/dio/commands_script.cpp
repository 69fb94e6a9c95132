// `dio run SCRIPT`: the commands of a script file, one per line, in one session.
#include <iostream>
#include <memory>
#include <string>

#include "command_table.h"
#include "failure.h"
#include "files.h"
#include "runner.h"
#include "script_words.h"
#include "session.h"

namespace dio {

namespace {

void run_script(const std::string& name, std::string_view content, Session& session) {
    std::size_t line_number = 0;
    while (!content.empty()) {
        ++line_number;
        const auto end = content.find('\n');
        const std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        const std::string place = name + ":" + std::to_string(line_number);
        try {
            const Session::Place at(session, place);
            // A message quoting the line would end at the NUL byte: say that it is there.
            if (const auto nul = line.find('\0'); nul != std::string_view::npos) {
                throw Failure("the line holds a NUL byte (column " + std::to_string(nul + 1) +
                                  "); a script is text",
                              kExitUsage);
            }
            auto words = split_script_line(line);
            if (!words.empty()) run_command(std::move(words), session, Scope::script);
        } catch (const Failure& failure) {
            throw LocatedFailure(place + ": " + failure.what(), failure.exit_code());
        }
    }
    // A script says itself when its work reaches the card: what it left undone is reported, not
    // done behind its back (sending the frame buffer now would cover later immediate drawing).
    if (const Flush* flush = session.pending_flush()) {
        std::cerr << "dio: " << name << ": " << flush->left_undone << '\n';
        session.cancel_flush();
    }
}

Action define_run(CLI::App& command) {
    auto script = std::make_shared<std::string>();
    command.add_option("script", *script, "file of dio commands, one per line (\"-\": standard input)")
        ->required();
    return [script](Session& session) {
        run_script(*script == "-" ? "stdin" : *script, read_file(*script, kTextLimit), session);
    };
}

constexpr Command kCommands[] = {
    {"", "run", "run a script of dio commands in one session", define_run},
};

}  // namespace

std::span<const Command> script_commands() { return kCommands; }

}  // namespace dio
