// Argument declarations shared by the command tables.
#pragma once

#include <CLI/CLI.hpp>

#include <limits>
#include <map>
#include <string>

#include "memory_transfer.h"
#include "numbers.h"

namespace dio {

// A numeric argument (decimal, or hex with 0x) checked against a range inside that of T.
template <class T>
CLI::Option* add_number(CLI::App& command, const std::string& name, T& value,
                        const std::string& help, NumberRange range) {
    return command.add_option(name, value, help)->transform(number_syntax(range));
}

// A numeric argument (decimal, or hex with 0x), checked against the range of T.
template <class T>
CLI::Option* add_number(CLI::App& command, const std::string& name, T& value,
                        const std::string& help) {
    return add_number(command, name, value, help,
                      {std::numeric_limits<T>::min(), std::numeric_limits<T>::max()});
}

// An argument that takes one of the names of a map and stores the value of the name.
template <class T>
CLI::Option* add_choice(CLI::App& command, const std::string& name, T& value,
                        const std::map<std::string, T>& choices, const std::string& help) {
    std::vector<std::string> names;
    for (const auto& choice : choices) names.push_back(choice.first);
    return command
        .add_option_function<std::string>(
            name, [&value, choices](const std::string& chosen) { value = choices.at(chosen); }, help)
        ->check(CLI::IsMember(names));
}

// The memory argument: "ctrl" (control memory) or "out" (output memory).
inline CLI::Option* add_memory(CLI::App& command, Memory& memory) {
    return add_choice(command, "memory", memory, {{"ctrl", Memory::ctrl}, {"out", Memory::out}},
                      "ctrl (control memory) or out (output memory)")
        ->required();
}

}  // namespace dio
