// The bus-cost summary: export calls recognised on the bus, with the SPI transactions, bridge
// register accesses and bytes each export name cost, in order of first use.
#pragma once

#include <cstdint>
#include <string>

#include "command_decoder.h"

namespace ch367bus {

// `unattributed` counts register accesses that belong to no recognised export call; `card`
// names where the host ran, for the first line ("the simulated card").
std::string bus_cost_text(const CommandDecoder& decoder, std::uint64_t unattributed,
                          const std::string& card);
// The summary of a run on the simulated card, as a file.
bool write_bus_cost(const std::string& path, const CommandDecoder& decoder,
                    std::uint64_t unattributed);

}  // namespace ch367bus
