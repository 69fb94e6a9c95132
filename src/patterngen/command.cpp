#include "patterngen/command.h"

#include "link/registers.h"
#include "link/spi_transaction.h"

namespace quorvel::patterngen {

bool send_command(DioMasterHandle& handle, Opcode opcode, std::initializer_list<Argument> arguments,
                  std::optional<DataPhase> data) {
    using link::kPatternGenerator;
    const auto opcode_byte = static_cast<std::uint8_t>(opcode);
    bool completed = link::spi_transaction(handle, kPatternGenerator, &opcode_byte, nullptr, 1);
    for (const Argument& argument : arguments) {
        completed = link::spi_transaction(handle, kPatternGenerator, argument.bytes, nullptr,
                                          argument.width);
    }
    if (data) {
        completed = link::spi_transaction(handle, kPatternGenerator, data->out, data->in, data->count);
    }
    return completed;
}

}  // namespace quorvel::patterngen
