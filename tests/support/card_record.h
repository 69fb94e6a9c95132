// Test helpers for the shared card: a card file read back as the simulator's state record, and
// a fixture that gives each test a card file of its own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ch367sim.h"
#include "environment_variable.h"
#include "temp_path.h"

// The card as the file at `path` holds it now (zeros where the file is shorter).
inline std::unique_ptr<ch367sim_card_state> read_card_file(const std::string& path) {
    auto state = std::make_unique<ch367sim_card_state>();
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(state.get()), sizeof *state);
    return state;
}

// CH367SIM_CARD names `path`, a card file after the running test, while the test runs; the file is
// removed afterwards.
class SharedCardTest : public ::testing::Test {
protected:
    void SetUp() override { set_environment_variable("CH367SIM_CARD", path.c_str()); }
    void TearDown() override {
        set_environment_variable("CH367SIM_CARD", "");
        std::filesystem::remove(path);
    }
    std::unique_ptr<ch367sim_card_state> card_file() const { return read_card_file(path); }

    const std::string path = unique_temp_path(file_name_of_running_test() + ".card");

private:
    // The test's name with the '/' of parameterized names made a dash.
    static std::string file_name_of_running_test() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        return name;
    }
};
