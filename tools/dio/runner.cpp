#include "runner.h"

#include <iostream>
#include <optional>

#include "failure.h"
#include "session.h"
#include "standard_output.h"

namespace dio {

namespace {

// `run` names the script and its line in what it reports, rather than itself.
constexpr std::string_view kScriptCommand = "run";

// The message of a failure in the command at path ("oled text"), which leads it.
std::string in_command(const std::string& path, const std::string& message) {
    return path.empty() ? message : path + ": " + message;
}

}  // namespace

void run_command(std::vector<std::string> words, Session& session, Scope scope) {
    CommandParser parser(scope);
    Action action;
    try {
        action = parser.parse(std::move(words));
    } catch (const CLI::CallForVersion& version) {
        write_standard_output(std::string(version.what()) + "\n");
        return;
    } catch (const CLI::Success&) {  // --help
        write_standard_output(parser.help());
        return;
    } catch (const CLI::ParseError& error) {
        throw Failure(in_command(parser.path(), std::string(error.what()) + " (see --help)"),
                      kExitUsage);
    } catch (const Failure& failure) {
        throw Failure(in_command(parser.path(), failure.what()), failure.exit_code());
    }
    const std::string& path = parser.path();
    try {
        std::optional<Session::Place> place;
        if (path != kScriptCommand) place.emplace(session, path);
        action(session);
        check_standard_output();
    } catch (const LocatedFailure&) {
        throw;
    } catch (const Failure& failure) {
        throw Failure(in_command(path, failure.what()), failure.exit_code());
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
