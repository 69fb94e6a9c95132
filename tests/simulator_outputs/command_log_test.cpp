// The command log: which commands and exports the simulator recognises in the bus traffic.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ch367sim.h"
#include "host_run.h"
#include "output_files.h"

namespace {

using Lines = std::vector<std::pair<std::string, std::string>>;  // command, export

constexpr const char* kRawSpi = "DioStreamSPI/DioWriteSPI/DioReadSPI";
constexpr const char* kRowFill = "DioWriteOLEDRowValImm/DIOClearOLEDImm (row fills)";
constexpr const char* kOneByte = "DioWriteOLEDPixelImm/DioWriteOLEDPixelPairImm/DioWriteOLEDLineImm";
constexpr const char* kScreen = "DioWriteOLEDScreenArrImm/DioSendOLEDBuff";
constexpr const char* kRun = "DioWriteOLEDArrImm, alone or under Row/Area/2DUnpacked/Char/Str/AreaBMP Imm";

struct Case {
    const char* name;  // test name suffix
    std::function<void(DioMasterHandle*)> host;
    Lines expected;  // the lines between the open ("bridge opened", "pg i") and "bridge closed"
};

void write_spi(DioMasterHandle* card, std::uint8_t device, std::vector<std::uint8_t> bytes) {
    std::int16_t status = 0;
    DioWriteSPI(card, device, bytes.data(), bytes.size(), &status);
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"OneByteCommands",
         [](DioMasterHandle* c) { DioArm(c); DioTrig(c); DioHalt(c); DioReset(c); DioResetDDS(c); },
         {{"pg a", "DioArm"}, {"pg r", "DioTrig"}, {"pg h", "DioHalt/DioReset (x2)"},
          {"pg i", "DioResetDDS"}}},
        {"Arguments",
         [](DioMasterHandle* c) {
             std::int16_t status = 0;
             DioStep(c, 300, &status);
             DioStep(c, -1, &status);  // rejected: nothing on the bus
             DioSetupTriggerMode(c, 1, 2);
             DioWriteProgramCounter(c, 7);
         },
         {{"pg j step=300", "DioStep"},
          {"pg t mode1=0x01 mode2=0x02", "DioSetupTriggerMode"},
          {"pg x value=7", "DioWriteProgramCounter"}}},
        {"MemoryTransfers",
         [](DioMasterHandle* c) {
             std::int16_t status = 0;
             const std::uint32_t words[2] = {1, 2};
             std::uint32_t back[2];
             DioWriteCtrlMemory(c, words, 16, 2, &status);
             DioReadCtrlMemory(c, back, 16, 2, &status);
             DioWriteOutMemory(c, words, 0, 1, &status);
         },
         {{"pg w start=16 words=2 data[8] = 01 00 00 00 02 00 00 00", "DioWriteCtrlMemory"},
          {"pg c start=16 words=2 read[8] = 01 00 00 00 02 00 00 00", "DioReadCtrlMemory"},
          {"pg e start=0 words=1 data[4] = 01 00 00 00", "DioWriteOutMemory"}}},
        {"RegisterReadShowsItsValue",
         [](DioMasterHandle* c) {
             std::uint8_t value[4];
             std::int16_t status = 0;
             DioReadMaxDataLines(c, value, &status);
         },
         {{"pg , read[4] = 20 00 00 00 (32)", "DioReadMaxDataLines"}}},
        {"PauseBeforeWriteIoIsWriteCurrentIO",
         [](DioMasterHandle* c) { DioWriteCurrentIO(c, 5); DioPause(c); DioArm(c); },
         {{"pg p", "DioWriteCurrentIO"}, {"pg m value=5", "DioWriteCurrentIO"},
          {"pg p", "DioPause"}, {"pg a", "DioArm"}}},
        {"RawFramesThatAreNoCommand",
         [](DioMasterHandle* c) { write_spi(c, 0, {0x01, 0x02}); write_spi(c, 3, {0xDE, 0xAD}); },
         {{"pg frame of 2 bytes, no command: 01 02", kRawSpi},
          {"dev3 frame of 2 bytes: out DE AD, in FF FF", kRawSpi}}},
        {"RawOpcodeWithAWrongArgumentFrame",
         [](DioMasterHandle* c) { write_spi(c, 0, {'w'}); write_spi(c, 0, {1, 2, 3}); DioArm(c); },
         {{"pg w broken: start frame of 3 bytes", "DioWriteCtrlMemory"}, {"pg a", "DioArm"}}},
        {"RawCommandWithAnEmptyFrameBetweenItsFrames",
         [](DioMasterHandle* c) {
             write_spi(c, 0, {'x'});
             write_spi(c, 0, {});  // skipped by the device, which takes the next frame as argument
             write_spi(c, 0, {7, 0, 0, 0});
             EXPECT_EQ(ch367sim_get_pattern_generator().program_counter, 7u);
         },
         {{"pg x value=7", "DioWriteProgramCounter"}}},
        {"AddressRegisters",
         [](DioMasterHandle* c) { DioSetADRSR_Low(c, 0x12); DioSetADRSR_High(c, 0x00); },
         {{"address low register <- 0x12", "DioSetADRSR_Low"},
          {"line register <- 0x00 (written directly)", "DioSetADRSR_High"}}},
        {"BusGateFaults",
         [](DioMasterHandle* c) {
             ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 1);
             DioArm(c);
             ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_OPEN_ON_CLOSE, 1);
             DioTrig(c);
             ch367sim_clear_faults();
         },
         {{"transaction: bus gate did not open, nothing sent", "transaction that did not open the bus"},
          {"pg r (bus gate fault)", "DioTrig"}}},
        {"RowFill",
         [](DioMasterHandle* c) { DioWriteOLEDRowValImm(c, 5, 0x5A); },
         {{"display address row=5 col=0", kRowFill},
          {"display data 128 bytes in 128 frames, all 5A", kRowFill}}},
        {"OneByteWrites",
         [](DioMasterHandle* c) {
             DioWriteOLEDPixelImm(c, 10, 20, 5);
             DioWriteOLEDLineImm(c, 0, 0, 4, 1, 0, 15);  // two pixel pairs
         },
         {{"display address row=20 col=5", kOneByte}, {"display data 1 byte = 50", kOneByte},
          {"display address row=0 col=0", kOneByte}, {"display data 1 byte = 03", kOneByte},
          {"display address row=0 col=1", kOneByte}, {"display data 1 byte = 7B", kOneByte}}},
        {"RunAtAnOddColumn",
         [](DioMasterHandle* c) {
             const std::uint8_t run[] = {0xAB, 0xCD};
             DioWriteOLEDArrImm(c, 5, 3, run, sizeof run);
         },
         {{"display address row=3 col=2", kRun}, {"display data 3 bytes = 0A BC D0", kRun}}},
        {"FrameBufferDrawsNothingUntilItIsSent",
         [](DioMasterHandle* c) {
             DioWriteOLEDPixelBuff(c, DIO_BLEND_REPLACE, 0, 0, 15);
             DioSendOLEDBuff(c);
         },
         {{"display address row=0 col=0", kScreen},
          {"display data 8192 bytes = F0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ...", kScreen}}},
    };
    return all;
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class CommandLog : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLog, NamesEachCommandAndItsExport) {
    run_on_card(GetParam().host);
    const std::vector<LogLine> log = read_command_log(output_file("commands.log"));
    ASSERT_GE(log.size(), 3u);
    const Lines opening = {{log[0].command, log[0].export_name}, {log[1].command, log[1].export_name}};
    EXPECT_EQ(opening, (Lines{{"bridge opened", "DioInitialize"}, {"pg i", "DioInitialize"}}));
    EXPECT_EQ(log.back().command, "bridge closed");
    Lines middle;
    for (std::size_t i = 2; i + 1 < log.size(); ++i) middle.emplace_back(log[i].command, log[i].export_name);
    EXPECT_EQ(middle, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Traffic, CommandLog, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(CommandLog, NumbersCommandsByTheirTransactionsInTheSimulatorsLog) {
    run_on_card([](DioMasterHandle* c) {
        std::int16_t status = 0;
        const std::uint32_t word = 9;
        DioArm(c);
        DioWriteCtrlMemory(c, &word, 0, 1, &status);
    });
    const std::vector<LogLine> log = read_command_log(output_file("commands.log"));
    using Range = std::pair<std::uint64_t, std::uint64_t>;
    std::vector<Range> ranges;
    for (const LogLine& line : log) ranges.emplace_back(line.first_sequence, line.last_sequence);
    // open, 'i', 'a', 'w' with start, count and data, close
    EXPECT_EQ(ranges, (std::vector<Range>{{0, 0}, {1, 1}, {2, 2}, {3, 6}, {0, 0}}));
}

TEST(CommandLog, DisplaySetUpIsOneExportFromItsResetPulseToDisplayOn) {
    run_on_card([](DioMasterHandle* c) {
        std::int16_t status = 0;
        DioSetupOLED(c, &status);
    });
    std::vector<LogLine> log = read_command_log(output_file("commands.log"));
    ASSERT_EQ(log.size(), 2u + 2 + 1 + 64 * 2 + 1 + 1);
    const Lines expected_start = {
        {"display reset asserted", "DioSetupOLED"},
        {"display reset released", "DioSetupOLED"},
        {"display command AE 40 A0 C0 81 80 A8 3F AD 81 D5 50 D3 00 D9 22 DB 35 DC 35 30",
         "DioSetupOLED"},
        {"display address row=0 col=0", "DioSetupOLED"},
        {"display data 128 bytes in 128 frames, all 00", "DioSetupOLED"}};
    Lines start;
    for (std::size_t i = 2; i < 7; ++i) start.emplace_back(log[i].command, log[i].export_name);
    EXPECT_EQ(start, expected_start);
    EXPECT_EQ(log[log.size() - 2].command, "display command AF");
    EXPECT_EQ(log[log.size() - 2].export_name, "DioSetupOLED");
}

TEST(CommandLog, IsWrittenOnRequestWhileTheCardIsOpen) {
    ch367sim_reset();
    DioMasterHandle* card = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    DioArm(card);
    EXPECT_EQ(ch367sim_write_outputs(), 1);
    const std::vector<LogLine> log = read_command_log(output_file("commands.log"));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().command, "pg a");
    DioClose(card);
    EXPECT_EQ(read_command_log(output_file("commands.log")).back().command, "bridge closed");
}

}  // namespace

TEST(CommandLog, FoldsARunOfIdenticalCommandsIntoOneLine) {
    run_on_card([](DioMasterHandle* card) {
        std::uint16_t state = 0;
        std::int16_t status = 0;
        for (int i = 0; i < 1000; ++i) DioReadStatusRegister(card, &state, &status);
        DioArm(card);
        DioReadStatusRegister(card, &state, &status);
    });
    std::vector<LogLine> polls;
    for (const LogLine& line : read_command_log(output_file("commands.log"))) {
        if (line.command.rfind("pg s", 0) == 0) polls.push_back(line);
    }
    ASSERT_EQ(polls.size(), 2u);
    EXPECT_EQ(polls[0].export_name, "DioReadStatusRegister (x1000)");
    EXPECT_EQ(polls[0].last_sequence - polls[0].first_sequence + 1, 2000u);  // 2 transactions each
    EXPECT_EQ(polls[1].export_name, "DioReadStatusRegister") << "a different answer is a new line";
}
