// An output file written with C stdio, which stays usable while the process exits (the outputs
// are also written from an exit hook). Text is formatted by the callers, so no printf format
// differs between platforms. The file appears only when complete (see ReplacingFile).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "replacing_file.h"

namespace ch367bus {

class TextFile {
public:
    explicit TextFile(const std::string& path) : file_(path) {}

    bool is_open() const { return file_.stream() != nullptr; }
    // Does nothing when the file did not open.
    void write(std::string_view text);
    // Closes the file and puts it in place; true when it opened and every write reached it.
    bool close() { return file_.commit(); }

private:
    outputfiles::ReplacingFile file_;
};

// Small formatters for the text outputs.
std::string hex_byte(std::uint8_t value);                        // "5A"
std::string hex_value(std::uint64_t value, unsigned digits);     // "0x0010" for (16, 4)
std::string hex_bytes(const std::uint8_t* bytes, std::size_t count);  // "01 02 03"
std::string padded(std::string text, std::size_t width);         // left-aligned, space-filled

}  // namespace ch367bus
