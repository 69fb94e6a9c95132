// Names for files in the temporary directory. Test runs in other build trees (and the Windows
// suite under Wine) share that directory, so each test process gets its own random prefix.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>

inline std::string unique_temp_path(const std::string& name) {
    static const std::string prefix = "quorvel-" + std::to_string(std::random_device{}()) + "-";
    return ::testing::TempDir() + prefix + name;
}
