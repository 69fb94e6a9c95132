#include "link/register_io.h"

#include "link/bridge.h"

namespace quorvel::link {

namespace {
std::uint64_t address_of(const DioMasterHandle& handle, Register reg) {
    return handle.io_base + static_cast<std::uint8_t>(reg);
}
}  // namespace

std::uint8_t read_register(const DioMasterHandle& handle, Register reg) {
    std::uint8_t value = 0;
    CH367ReadIoByte(address_of(handle, reg), &value);
    return value;
}

std::int32_t write_register(const DioMasterHandle& handle, Register reg, std::uint8_t value) {
    return CH367WriteIoByte(address_of(handle, reg), value);
}

void write_lines(DioMasterHandle& handle, std::uint8_t value) {
    write_register(handle, Register::Lines, value);
    handle.line_shadow = value;
}

}  // namespace quorvel::link
