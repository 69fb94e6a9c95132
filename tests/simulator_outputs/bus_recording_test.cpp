// The VCD recording, read back by sigrok-cli's SPI decoder and by its time stamps.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ch367sim.h"
#include "host_run.h"
#include "host_workload.h"
#include "output_files.h"
#include "simulated_card.h"

namespace {

// The workload, plus every byte value once on device 2 so that each bit pattern is decoded.
void workload_with_every_byte(DioMasterHandle* card) {
    run_host_workload(card);
    std::vector<std::uint8_t> every_byte(256);
    for (std::size_t i = 0; i < every_byte.size(); ++i) every_byte[i] = static_cast<std::uint8_t>(i);
    std::int16_t status = 0;
    DioWriteSPI(card, 2, every_byte.data(), every_byte.size(), &status);
}

TEST(BusRecording, SigrokDecodesEachDevicesFramesAsTheTransactionLogHasThem) {
    run_on_card(workload_with_every_byte);
    const std::vector<Transaction> log = logged_transactions();
    for (const std::uint8_t device : {0, 1, 2, 3}) {
        SCOPED_TRACE("device " + std::to_string(device));
        const std::string select = "cs" + std::to_string(device);
        const auto mosi = sigrok_transfers(output_file("bus.vcd"), select, false);
        const auto miso = sigrok_transfers(output_file("bus.vcd"), select, true);
        if (!mosi || !miso) GTEST_SKIP() << "sigrok-cli is not installed";

        std::vector<const Transaction*> frames;
        for (const Transaction& t : log) {
            if (t.device == device && !t.out.empty()) frames.push_back(&t);
        }
        ASSERT_FALSE(frames.empty());
        ASSERT_EQ(mosi->size(), frames.size());
        ASSERT_EQ(miso->size(), frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ((*mosi)[i], frames[i]->out) << "frame " << i;
            if (!frames[i]->in.empty()) {
                EXPECT_EQ((*miso)[i], frames[i]->in) << "frame " << i;
            }
        }
    }
}

TEST(BusRecording, EachLoggedCommandStartsWhereItsChipSelectFallsInTheRecording) {
    run_on_card(run_host_workload);
    const std::vector<Transaction> transactions = logged_transactions();
    const auto changes = read_vcd_changes(output_file("bus.vcd"));
    std::size_t checked = 0;
    for (const LogLine& line : read_command_log(output_file("commands.log"))) {
        if (line.first_sequence == 0) continue;
        SCOPED_TRACE(line.command);
        const std::uint8_t device = transactions.at(line.first_sequence - 1).device;
        const auto at = changes.find(line.time);
        ASSERT_NE(at, changes.end());
        EXPECT_NE(std::find(at->second.begin(), at->second.end(), "0cs" + std::to_string(device)),
                  at->second.end());
        ++checked;
    }
    EXPECT_GE(checked, 15u);
}

TEST(BusRecording, StartsAfreshAfterASimulatorReset) {
    run_on_card(run_host_workload);
    run_on_card([](DioMasterHandle* card) { DioArm(card); });
    const auto mosi = sigrok_transfers(output_file("bus.vcd"), "cs0", false);
    if (!mosi) GTEST_SKIP() << "sigrok-cli is not installed";
    EXPECT_EQ(*mosi, (std::vector<std::vector<std::uint8_t>>{{0x69}, {0x61}}));
}

}  // namespace

namespace {

// The I/O lines' wires at each time they change after the start: bit values by line number.
std::map<std::uint64_t, std::map<int, int>> io_changes(const std::filesystem::path& vcd) {
    std::map<std::uint64_t, std::map<int, int>> result;
    for (const auto& [time, changes] : read_vcd_changes(vcd)) {
        if (time == 0) continue;  // the initial values
        for (const std::string& change : changes) {
            if (change.rfind("io", 1) != 1) continue;
            result[time][std::stoi(change.substr(3))] = change[0] - '0';
        }
    }
    return result;
}

TEST(BusRecording, IoLinesChangeAtEachSampleThePatternChangesThem) {
    run_on_card([&](DioMasterHandle* card) {
        ch367sim_pg_set_clock(CH367SIM_PG_CLOCK_TEST);
        const std::uint32_t pattern[] = {0x1, 0x1, 0x2, 0x80000000};
        std::int16_t status = 0;
        DioWriteOutMemory(card, pattern, 0, 4, &status);
        DioArm(card);
        DioTrig(card);
        ch367sim_pg_advance(10);
    });
    const auto changes = io_changes(output_file("bus.vcd"));
    ASSERT_EQ(changes.size(), 3u);  // word 0 at the trigger, words 2 and 3 a sample apart each
    // The samples played since the trigger take their time where the run was brought up to
    // date, one period (1 us) each.
    auto at = changes.begin();
    const std::uint64_t trigger_time = at->first;
    EXPECT_EQ(at->second, (std::map<int, int>{{0, 1}}));
    ++at;
    const std::uint64_t word_2 = at->first;
    EXPECT_GE(word_2, trigger_time + 2000);
    EXPECT_EQ(at->second, (std::map<int, int>{{0, 0}, {1, 1}}));
    ++at;
    EXPECT_EQ(at->first, word_2 + 1000);
    EXPECT_EQ(at->second, (std::map<int, int>{{1, 0}, {31, 1}}));
}

}  // namespace
