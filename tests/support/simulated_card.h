// Test fixture: a freshly reset simulated card, opened through the public API, with the
// simulator's logs read back as plain values.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "QuorvelWCHDLL.h"
#include "ch367sim.h"

struct Transaction {
    std::uint8_t device;
    std::uint8_t lines;
    bool success;
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> in;
};

// The simulator's transaction log, oldest first.
std::vector<Transaction> logged_transactions();
// Only the bytes sent, one vector per transaction.
std::vector<std::vector<std::uint8_t>> sent_frames();
// Bridge register reads and writes so far, as the simulator counts them.
std::uint64_t register_accesses();
// The simulator's register trace (enable it with ch367sim_set_register_trace first).
std::vector<ch367sim_register_access> register_trace();
// Gray level 0..15 of pixel (x, y) as the simulated panel holds it: two pixels a byte, the
// left one in the high nibble.
int panel_level(int x, int y);

class SimulatedCard : public ::testing::Test {
protected:
    // Resets the simulator, puts the pattern generator on test time, opens the card, and
    // clears the logs of what the open sent.
    void SetUp() override;
    void TearDown() override;

    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
};
