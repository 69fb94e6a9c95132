// A bridge driver library loaded by path (the recorder's real driver, the driver `dio trace replay`
// drives), and the few facts of the process that differ between Linux and Windows.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace ch367bus {

// What CH367OpenDevice returns when it opens no card.
inline void* const kInvalidDeviceHandle = reinterpret_cast<void*>(~std::uintptr_t{0});

struct DriverFunctions {
    void* (*open_device)(std::int32_t, std::int32_t, std::uint8_t) = nullptr;
    std::int32_t (*get_io_base)(std::uint64_t*) = nullptr;
    std::int32_t (*read_io_byte)(std::uint64_t, std::uint8_t*) = nullptr;
    std::int32_t (*write_io_byte)(std::uint64_t, std::uint8_t) = nullptr;
    void (*close_device)() = nullptr;
};

// Finds the five functions in a loaded library with `address_of(name)`, the platform's lookup of
// a symbol (a void pointer, null when missing). On failure `error` names the first one missing.
template <class AddressOf>
bool find_driver_functions(AddressOf address_of, DriverFunctions& found, std::string& error) {
    const auto find = [&](const char* name, auto& function) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(address_of(name));
        if (function == nullptr) error = std::string("it has no ") + name;
        return function != nullptr;
    };
    return find("CH367OpenDevice", found.open_device) && find("CH367GetIoBaseAddr", found.get_io_base) &&
           find("CH367ReadIoByte", found.read_io_byte) && find("CH367WriteIoByte", found.write_io_byte) &&
           find("CH367CloseDevice", found.close_device);
}

// Loads the library at `path` and finds the five functions in it. On failure returns false
// and sets `error` to the reason; `functions` is left empty.
bool load_driver(const std::string& path, DriverFunctions& functions, std::string& error);

// The driver to load when CH367REC_DRIVER is not set: the vendor's driver in the system
// directory on Windows; empty on Linux, where the variable is required.
std::string default_driver_path();

std::uint32_t process_id();

}  // namespace ch367bus
