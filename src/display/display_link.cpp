#include "display/display_link.h"

#include "link/register_io.h"
#include "link/spi_transaction.h"

namespace quorvel::display {

bool send_to_display(DioMasterHandle& handle, const std::uint8_t* bytes, std::uint64_t count) {
    return link::spi_transaction(handle, link::kDisplay, bytes, nullptr, count);
}

void send_address(DioMasterHandle& handle, std::uint8_t row, std::uint8_t column) {
    const AddressCommand command = address_command(row, column);
    send_to_display(handle, command.data(), command.size());
}

DataMode::DataMode(DioMasterHandle& handle) : handle_(handle) {
    link::write_lines(handle_,
                      static_cast<std::uint8_t>(handle_.line_shadow | link::kDisplayDataMode));
}

DataMode::~DataMode() {
    link::write_lines(handle_,
                      static_cast<std::uint8_t>(handle_.line_shadow & ~link::kDisplayDataMode));
}

void write_immediate(DioMasterHandle& handle, std::uint8_t row, std::uint8_t column,
                     const std::uint8_t* data, std::uint64_t count) {
    send_address(handle, row, column);
    const DataMode data_mode(handle);
    send_to_display(handle, data, count);
}

}  // namespace quorvel::display
