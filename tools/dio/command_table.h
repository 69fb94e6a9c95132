// The commands of dio as data. Each family of commands lists its entries in a table in its own
// source file; the one parser (command_parser.h) builds the command line of `dio` and of every
// line of a `dio run` script from these tables.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <span>
#include <string_view>

namespace dio {

class Session;

// What a parsed command does, with its arguments already bound.
using Action = std::function<void(Session&)>;

struct Command {
    std::string_view group;    // the parent command ("oled", "spi"), or empty for a top-level one
    std::string_view name;
    std::string_view summary;  // one line for --help
    // Declares the command's arguments on its parser and returns the action that uses them once
    // parsed (the action runs while its parser still exists, so it may ask its options whether
    // they were given). Null for a group, which only holds subcommands.
    Action (*define)(CLI::App& command);
};

std::span<const Command> card_commands();     // info, run control, memory, registers, raw SPI
std::span<const Command> display_commands();  // oled: set-up, drawing, sending
std::span<const Command> bitmap_commands();   // oled bitmap
std::span<const Command> image_commands();    // convert, compare
std::span<const Command> script_commands();   // run (not available inside a script)
std::span<const Command> simulator_commands();  // card power-cycle, view
std::span<const Command> run_model_commands();  // card run-model, card advance
std::span<const Command> trace_commands();      // trace: reading recordings of the bridge calls
std::span<const Command> trace_decoding_commands();  // trace show, vcd, cost: the bus they show
std::span<const Command> trace_replay_commands();  // trace replay, trace compare

}  // namespace dio
