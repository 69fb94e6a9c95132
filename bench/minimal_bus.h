// The floor for this design: the least code that makes a given sequence of bridge calls.
// It is built as its own shared library and calls the driver functions by name, exactly as the
// card library does, so a comparison with an export measures only the library's own work.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ch367sim.h"

namespace bench::minimal {

struct Bus {
    std::uint64_t io_base;
    std::uint8_t lines;  // what the line register holds
};

// One SPI transaction, register access for register access as the card's bridge expects it.
bool transaction(Bus& bus, std::uint8_t device, const std::uint8_t* out, std::uint8_t* in,
                 std::uint64_t count);
void write_lines(Bus& bus, std::uint8_t value);
void sleep_ms(int milliseconds);

// Makes the recorded calls again, writing the recorded values.
void replay(std::uint64_t io_base, const ch367sim_register_access* trace, std::size_t count);

}  // namespace bench::minimal

// The same transaction compiled into the benchmark program itself, which defines the bridge
// functions: its calls to them are direct calls, where the card library and the floor call
// through the dynamic linker's tables. The least a bridge call can cost.
namespace bench::in_executable {

bool transaction(minimal::Bus& bus, std::uint8_t device, const std::uint8_t* out, std::uint8_t* in,
                 std::uint64_t count);
void write_lines(minimal::Bus& bus, std::uint8_t value);

}  // namespace bench::in_executable
