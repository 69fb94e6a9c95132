// A whole decimal number as an environment variable gives it: digits only, no sign or space,
// within 64 bits; empty for anything else, an unset variable included.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace ch367sim {

inline std::optional<std::uint64_t> environment_number(const char* text) {
    if (text == nullptr || *text < '0' || *text > '9') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*end != '\0' || errno == ERANGE) return std::nullopt;
    return value;
}

}  // namespace ch367sim
