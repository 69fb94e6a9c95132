// Names for files in the temporary directory. Test runs in other build trees (and the Windows
// suite under Wine) share that directory, so each test process gets its own random prefix.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

inline std::string unique_temp_path(const std::string& name) {
    static const std::string prefix = "quorvel-" + std::to_string(std::random_device{}()) + "-";
    return ::testing::TempDir() + prefix + name;
}

// A fixture whose `path` names a PNG file in the temporary directory after the running test; the
// file is removed after each test.
class TempPngTest : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path.c_str()); }

    const std::string path = [] {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        return unique_temp_path(std::string(test->test_suite_name()) + "_" + test->name() + ".png");
    }();
};
