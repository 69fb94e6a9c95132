#include "runner.h"

#include <iostream>

#include "failure.h"
#include "session.h"

namespace dio {

namespace {
// `run` reports the location inside its script itself.
constexpr std::string_view kScriptCommand = "run";
}  // namespace

void run_command(std::vector<std::string> words, Session& session, Scope scope) {
    CommandParser parser(scope);
    Action action;
    try {
        action = parser.parse(std::move(words));
    } catch (const CLI::Success&) {  // --help
        std::cout << parser.help();
        return;
    } catch (const CLI::ParseError& error) {
        throw Failure(std::string(error.what()) + " (see --help)", kExitUsage);
    }
    const std::string path = parser.selected_path();
    try {
        action(session);
    } catch (const Failure& failure) {
        if (path == kScriptCommand) throw;
        throw Failure(path + ": " + failure.what(), failure.exit_code());
    }
}

int run_program(std::vector<std::string> words) {
    try {
        Session session;
        run_command(std::move(words), session, Scope::command_line);
        session.finish();
        return kExitSuccess;
    } catch (const Failure& failure) {
        std::cerr << "dio: " << failure.what() << '\n';
        return failure.exit_code();
    } catch (const std::exception& error) {
        std::cerr << "dio: " << error.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace dio
