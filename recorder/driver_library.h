// The real driver library behind the recorder, loaded by path, and the few facts of the process
// that differ between Linux and Windows.
#pragma once

#include <cstdint>
#include <string>

namespace ch367rec {

struct DriverFunctions {
    void* (*open_device)(std::int32_t, std::int32_t, std::uint8_t) = nullptr;
    std::int32_t (*get_io_base)(std::uint64_t*) = nullptr;
    std::int32_t (*read_io_byte)(std::uint64_t, std::uint8_t*) = nullptr;
    std::int32_t (*write_io_byte)(std::uint64_t, std::uint8_t) = nullptr;
    void (*close_device)() = nullptr;
};

// Loads the library at `path` and finds the five functions in it. On failure returns false
// and sets `error` to the reason; `functions` is left empty.
bool load_driver(const std::string& path, DriverFunctions& functions, std::string& error);

// The driver to load when CH367REC_DRIVER is not set: the vendor's driver in the system
// directory on Windows; empty on Linux, where the variable is required.
std::string default_driver_path();

std::uint32_t process_id();

}  // namespace ch367rec
