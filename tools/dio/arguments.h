// Argument declarations shared by the command tables.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "memory_transfer.h"
#include "numbers.h"

namespace dio {

// A numeric argument (decimal, or hex with 0x), checked against the range of T.
template <class T>
CLI::Option* add_number(CLI::App& command, const std::string& name, T& value,
                        const std::string& help) {
    return command.add_option(name, value, help)->transform(number_syntax());
}

// The memory argument: "ctrl" (control memory) or "out" (output memory).
inline CLI::Option* add_memory(CLI::App& command, Memory& memory) {
    const std::map<std::string, Memory> names{{"ctrl", Memory::ctrl}, {"out", Memory::out}};
    return command.add_option("memory", memory, "ctrl (control memory) or out (output memory)")
        ->required()
        ->transform(CLI::CheckedTransformer(names))
        ->type_name("ctrl|out");
}

}  // namespace dio
