#include "comparable_calls.h"

#include <cstdio>

#include "bridge_registers.h"

namespace ch367bus {

bool call_succeeded(const TraceCall& call) {
    return call.function == Function::open_device ? call.result != -1 : call.result != 0;
}

std::vector<ComparableCall> comparable_calls(const std::vector<TraceCall>& calls) {
    std::vector<ComparableCall> comparable;
    comparable.reserve(calls.size());
    std::uint64_t base = 0;
    for (const TraceCall& call : calls) {
        ComparableCall c{call.function, 0, call_succeeded(call), 0, call.flags, 0};
        switch (call.function) {
        case Function::open_device:
            c.address = call.address;
            c.value = call.value;
            c.argument = call.argument;
            break;
        case Function::get_io_base:
            if (c.success && (call.flags & kNullPointer) == 0) base = call.address;
            break;
        case Function::read_io_byte:
            c.address = call.address - base;
            if (c.success && (call.flags & kNullPointer) == 0) c.value = call.value;
            break;
        case Function::write_io_byte:
            c.address = call.address - base;
            c.value = call.value;
            break;
        default:
            break;
        }
        comparable.push_back(c);
    }
    return comparable;
}

const char* register_name(std::uint64_t offset) {
    switch (offset) {
    case kBridgeControl: return "bridge control";
    case kAddressLow: return "address low";
    case kLines: return "lines";
    case kSpiControl: return "SPI control";
    case kSpiData: return "SPI data";
    default: return "";
    }
}

std::string describe(const ComparableCall& call) {
    std::string text = function_name(call.function);
    char part[64];
    const auto register_at = [](std::uint64_t address) {
        char offset[32];
        std::snprintf(offset, sizeof offset, "(+0x%llX)", static_cast<unsigned long long>(address));
        const std::string name = register_name(address);
        return " " + (name.empty() ? std::string() : name + " ") + offset;
    };
    const std::string failed = call.success ? "" : " -> failed";
    switch (call.function) {
    case Function::open_device:
        std::snprintf(part, sizeof part, " %llu, exclusive %d, interrupt %u",
                      static_cast<unsigned long long>(call.address), call.argument, call.value);
        return text + part + failed;
    case Function::read_io_byte:
        if (!call.success) return text + register_at(call.address) + failed;
        if ((call.flags & kNullPointer) != 0) return text + register_at(call.address) + " (null)";
        std::snprintf(part, sizeof part, " -> %02X", call.value);
        return text + register_at(call.address) + part;
    case Function::write_io_byte:
        std::snprintf(part, sizeof part, " = %02X", call.value);
        return text + register_at(call.address) + part + failed;
    default:
        return text + failed + ((call.flags & kNullPointer) != 0 ? " (null)" : "");
    }
}

}  // namespace ch367bus
