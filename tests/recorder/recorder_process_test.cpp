// Host programs run through the recorder in processes of their own: the demo on the simulator
// leaves a recording of every call the simulator counted, which dio shows as the simulator's own
// files show the run; a program killed mid-run leaves one that reads as cut; a driver or
// recording that fails costs one line and never the program. Recordings replay on a fresh
// simulated card and compare call by call.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "output_files.h"
#include "scratch_directory.h"
#include "trace_file.h"

namespace fs = std::filesystem;
using ch367bus::Function;

namespace {

// A scratch directory in which the host runs through the recorder.
class RecorderProcess : public ScratchDirectoryTest {
protected:
    RecorderProcess() : ScratchDirectoryTest("recorder") {}

    // Runs `command` in the scratch directory with the recorder first on the library path and
    // forwarding to the simulator, after `setup` (variable assignments that may override that);
    // standard output goes to out.txt, standard error to err.txt. Returns the shell's status.
    int run(const std::string& setup, const std::string& command) {
        const std::string line = "cd '" + directory_.string() + "' && LD_LIBRARY_PATH='" +
                                 RECORDER_DIR + "' CH367REC_DRIVER='" + SIMULATOR_LIBRARY + "' " +
                                 setup + " " + command + " >out.txt 2>err.txt";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Runs the endless host with `argument`, recording to killed.trace, and kills it once it has
    // run for 300 ms.
    int run_and_kill_endless_host(const std::string& argument) {
        return run("CH367REC_TRACE=killed.trace",
                   std::string("sh -c 'mkfifo ready && { \"") + ENDLESS_HOST_PATH + "\" " +
                       argument + " >ready & pid=$!; read line <ready; " +
                       "kill -9 $pid; wait $pid; test $? = 137; }'");
    }
    int run_demo(const std::string& setup) {
        return run(setup, std::string("'") + DEMO_PATH + "' '" + LOGO_PATH + "'");
    }
    int run_dio(const std::string& arguments) {
        return run("", std::string("'") + DIO_PATH + "' " + arguments);
    }

    ch367bus::Trace trace(const std::string& name) {
        std::string error;
        std::optional<ch367bus::Trace> trace = ch367bus::read_trace(path(name).string(), error);
        EXPECT_TRUE(trace) << error;
        return trace ? *trace : ch367bus::Trace{};
    }
};

// Changes the byte read by call `index` of the recording `file` to `value`, fixing its chunk's
// checksum, so that only the answer differs.
void change_read(const fs::path& file, std::size_t index, std::uint8_t value) {
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(stream)), {});
    std::size_t offset = ch367bus::kFileHeaderSize +
                         ch367bus::get_le(&bytes[ch367bus::file_header::path_size], 2);
    for (;;) {
        const std::size_t count = ch367bus::get_le(&bytes[offset + ch367bus::chunk_header::count], 4);
        const std::size_t body = offset + ch367bus::kChunkHeaderSize;
        if (index < count) {
            bytes[body + index * ch367bus::kRecordSize + ch367bus::record::value] = value;
            const std::uint32_t checksum =
                ch367bus::chunk_checksum(&bytes[offset], &bytes[body], count * ch367bus::kRecordSize);
            ch367bus::put_le(&bytes[offset + ch367bus::chunk_header::checksum], checksum, 4);
            break;
        }
        index -= count;
        offset = body + count * ch367bus::kRecordSize;
    }
    stream.seekp(0);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::size_t count(const ch367bus::Trace& trace, Function function) {
    std::size_t n = 0;
    for (const ch367bus::TraceCall& call : trace.calls) n += call.function == function ? 1 : 0;
    return n;
}

// The command lines of a listing, without the `times` columns after the transactions:
// "#2-5            pg w start=16 ... ; DioWriteCtrlMemory".
std::vector<std::string> untimed_commands(const std::string& listing, int times) {
    std::vector<std::string> commands;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line.rfind("# ", 0) == 0) continue;
        std::istringstream fields(line);
        std::string transactions, time;
        fields >> transactions;
        for (int i = 0; i < times; ++i) fields >> time;
        fields >> std::ws;
        std::string rest;
        std::getline(fields, rest);
        commands.push_back(transactions + " " + rest);
    }
    return commands;
}

}  // namespace

TEST_F(RecorderProcess, DemoLeavesEveryCallTheSimulatorCounted) {
    ASSERT_EQ(run_demo("CH367SIM_STATE=state.txt"), 0) << read_text(path("err.txt"));
    EXPECT_NE(read_text(path("out.txt")).find("every check passed"), std::string::npos);
    EXPECT_EQ(read_text(path("err.txt")), "");

    // The default name, in the working directory.
    fs::path recording;
    for (const auto& entry : fs::directory_iterator(directory_)) {
        if (entry.path().extension() == ".trace") recording = entry.path();
    }
    ASSERT_TRUE(std::regex_match(recording.filename().string(),
                                 std::regex(R"(CH367DLL64-\d+\.trace)")));
    const ch367bus::Trace recorded = trace(recording.filename().string());
    EXPECT_FALSE(recorded.cut);
    EXPECT_EQ(recorded.driver_path, SIMULATOR_LIBRARY);

    std::smatch counters;
    const std::string state = read_text(path("state.txt"));
    ASSERT_TRUE(std::regex_search(state, counters,
                                  std::regex(R"((\d+) register reads, (\d+) register writes)")));
    EXPECT_EQ(count(recorded, Function::read_io_byte), std::stoull(counters[1]));
    EXPECT_EQ(count(recorded, Function::write_io_byte), std::stoull(counters[2]));
    EXPECT_EQ(count(recorded, Function::open_device), 1u);
    EXPECT_EQ(count(recorded, Function::close_device), 1u);
    ASSERT_GE(recorded.calls.size(), 2u);
    EXPECT_EQ(recorded.calls[0].result, 1) << "the simulator's device handle";
    EXPECT_EQ(recorded.calls[1].address, 0xD000u) << "the I/O base the simulator reports";
    for (std::size_t i = 1; i < recorded.calls.size(); ++i) {
        ASSERT_LE(recorded.calls[i - 1].time_ns, recorded.calls[i].time_ns) << i;
    }
}

TEST_F(RecorderProcess, KilledProgramLeavesARecordingThatReadsAsCut) {
    ASSERT_EQ(run_and_kill_endless_host(""), 0);
    const ch367bus::Trace killed = trace("killed.trace");
    ASSERT_TRUE(killed.cut);
    EXPECT_GE(killed.chunks, 2u);
    ASSERT_GE(killed.calls.size(), 2u);
    EXPECT_EQ(killed.calls[0].function, Function::open_device);

    ASSERT_EQ(run_dio("trace info killed.trace"), 0);
    const std::string info = read_text(path("out.txt"));
    const std::string where = "at byte " + std::to_string(killed.cut->offset) + ", after chunk ";
    EXPECT_NE(info.find("cut          " + where), std::string::npos) << info;

    // The commands read before the cut, then where it is.
    ASSERT_EQ(run_dio("trace show killed.trace"), 0);
    const std::string show = read_text(path("out.txt"));
    EXPECT_NE(show.find("bridge opened"), std::string::npos) << show;
    const std::size_t last_line = show.rfind('\n', show.size() - 2) + 1;
    EXPECT_EQ(show.substr(last_line).rfind("# the recording is cut " + where, 0), 0u) << show;
}

TEST_F(RecorderProcess, SlowCallsAreWrittenAtLeastEvery100Milliseconds) {
    // A read every 10 ms: far fewer calls than fill a chunk, so only the clock closes chunks.
    ASSERT_EQ(run_and_kill_endless_host("10"), 0);
    const ch367bus::Trace slow = trace("killed.trace");
    ASSERT_GE(slow.chunks, 2u);
    EXPECT_LT(slow.calls.size(), 16384u);
}

TEST_F(RecorderProcess, FailuresCostOneLineAndNeverTheProgram) {
    const std::string simulator = SIMULATOR_LIBRARY;
    const std::string recorder = std::string(RECORDER_DIR) + "/libCH367DLL64.so";
    struct Case {
        const char* name;
        std::string setup;
        const char* outcome;   // in the demo's output
        std::string message;   // the one line on standard error, in part
    } cases[] = {
        {"a missing driver", "CH367REC_DRIVER=/no/such/driver.so", "status     -2",
         "ch367rec: cannot load the driver /no/such/driver.so: "},
        {"no driver named", "CH367REC_DRIVER= ", "status     -2", "ch367rec: no driver"},
        {"the recorder as its own driver", "CH367REC_DRIVER=" + recorder, "status     -2",
         "it is the recorder itself"},
        {"a recording in a missing directory", "CH367REC_TRACE=no/such/dir.trace",
         "every check passed", "/no/such/dir.trace: No such file or directory"},
        {"a full disk", "CH367REC_TRACE=/dev/full", "every check passed",
         "ch367rec: could not write /dev/full: No space left on device"},
    };
    for (const Case& c : cases) {
        run_demo(c.setup);
        EXPECT_NE(read_text(path("out.txt")).find(c.outcome), std::string::npos) << c.name;
        const std::string errors = read_text(path("err.txt"));
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.name << ": " << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << c.name << ": " << errors;
    }
}

TEST_F(RecorderProcess, ShowAndCostOfARecordingAreTheSimulatorsLogAndCost) {
    ASSERT_EQ(run_demo("CH367REC_TRACE=demo.trace CH367SIM_LOG=commands.log CH367SIM_COST=cost.txt"), 0);
    ASSERT_EQ(run_dio("trace show demo.trace"), 0) << read_text(path("err.txt"));
    const std::string show = read_text(path("out.txt"));
    const std::vector<std::string> commands = untimed_commands(show, 2);
    EXPECT_GT(commands.size(), 100u);
    EXPECT_EQ(commands, untimed_commands(read_text(path("commands.log")), 1));

    // Times from 0 at the first call, in order; the whole screen takes its 8192 bytes' time.
    double previous = -1;
    std::istringstream lines(show);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("# ", 0) == 0) continue;
        std::istringstream fields(line);
        std::string transactions, text;
        double time = -1, duration = -1;
        fields >> transactions >> time >> duration >> text;
        EXPECT_EQ(previous < 0 ? 0 : std::max(time, previous), time) << line;
        if (line.find("display data 8192 bytes") != std::string::npos) {
            EXPECT_GE(duration, 8192 * 0.8) << line;
        }
        previous = time;
    }
    const ch367bus::Trace recorded = trace("demo.trace");

    // The cost report is the simulator's, below its first line; what the calls took follows it.
    ASSERT_EQ(run_dio("trace cost demo.trace"), 0) << read_text(path("err.txt"));
    const std::string cost = read_text(path("out.txt"));
    const std::string simulated = read_text(path("cost.txt"));
    const std::size_t first_line = simulated.find('\n');
    EXPECT_NE(cost.find(simulated.substr(first_line)), std::string::npos) << cost;
    const std::size_t calls = count(recorded, Function::read_io_byte) + count(recorded, Function::write_io_byte);
    EXPECT_NE(cost.find("register calls   " + std::to_string(calls) + "\n"), std::string::npos) << cost;
    EXPECT_TRUE(std::regex_search(cost, std::regex(R"(time per access  \d+\.\d{3} us\naccesses/s       \d+\n)")))
        << cost;
}

TEST_F(RecorderProcess, VcdOfARecordingCarriesTheSimulatorsFramesAtTheRecordedTimes) {
    // A short run (sigrok-cli takes seconds for the demo's): memory read, text on the display.
    std::ofstream(path("run.dio")) << "dump ctrl --words 64 -o words.bin\noled text 0 0 Hi --imm\n";
    ASSERT_EQ(run("CH367REC_TRACE=run.trace CH367SIM_VCD=bus.vcd",
                  std::string("'") + DIO_PATH + "' run run.dio"), 0) << read_text(path("err.txt"));
    ASSERT_EQ(run_dio("trace vcd run.trace -o recorded.vcd"), 0) << read_text(path("err.txt"));
    EXPECT_EQ(read_text(path("err.txt")), "");
    // The recorded time passes on the bus: the last change (the last deselect) comes after
    // the last register write began.
    const std::vector<ch367bus::TraceCall> calls = trace("run.trace").calls;
    const auto last_write = std::find_if(calls.rbegin(), calls.rend(), [](const auto& call) {
        return call.function == Function::write_io_byte;
    });
    ASSERT_NE(last_write, calls.rend());
    EXPECT_GE(read_vcd_changes(path("recorded.vcd")).rbegin()->first, last_write->time_ns);

    // The bytes sent to the pattern generator and the display (the answers of bytes the host
    // never read back are not in a recording).
    for (const char* chip_select : {"cs0", "cs1"}) {
        const auto recorded = sigrok_transfers(path("recorded.vcd"), chip_select, false);
        if (!recorded) GTEST_SKIP() << "sigrok-cli is not installed";
        EXPECT_GE(recorded->size(), 5u);
        EXPECT_EQ(*recorded, sigrok_transfers(path("bus.vcd"), chip_select, false)) << chip_select;
    }

    // The cap is dio's option, and its line dio's.
    ASSERT_EQ(run_dio("trace vcd run.trace -o capped.vcd --limit 5000"), 0);
    EXPECT_EQ(read_text(path("err.txt")).rfind("dio: the bus recording reached its cap of 5000 bytes (--limit): ", 0), 0u)
        << read_text(path("err.txt"));
}

TEST_F(RecorderProcess, ReplayOnAFreshCardLeavesThePanelAsTheRunDid) {
    // At the highest sample rate, in the run and in the replay, the demo's pattern has ended at
    // its first poll: a poll made as the pattern ends could fall on either side of it where the
    // recorder's clock and the simulator's differ.
    const std::string rate = "CH367SIM_PG_SAMPLE_RATE=10000000000 ";
    ASSERT_EQ(run_demo(rate + "CH367REC_TRACE=demo.trace CH367SIM_PNG=direct.png"), 0);
    const std::string dio = std::string("'") + DIO_PATH + "'";
    // dio runs on the simulator itself: no recorder in between.
    const std::string on_simulator = rate + "LD_LIBRARY_PATH= CH367SIM_PNG=replayed.png";
    // Every answer as recorded.
    EXPECT_EQ(run(on_simulator, dio + " trace replay demo.trace --card fresh.card"), 0)
        << read_text(path("out.txt")) << read_text(path("err.txt"));
    EXPECT_EQ(read_text(path("replayed.png")), read_text(path("direct.png")));
    EXPECT_TRUE(fs::exists(path("fresh.card")));

    // One status byte answered otherwise: the replay names its call, register and command.
    const ch367bus::Trace recorded = trace("demo.trace");
    std::size_t status_read = 0;
    while (!(recorded.calls[status_read].function == Function::read_io_byte &&
             (recorded.calls[status_read].address & 0xFF) == 0xFE && status_read > 1100)) {
        ++status_read;
    }
    change_read(path("demo.trace"), status_read, recorded.calls[status_read].value ^ 0x40);
    EXPECT_EQ(run(on_simulator, dio + " trace replay demo.trace"), 1);
    const std::string report = read_text(path("out.txt"));
    EXPECT_NE(report.find("call " + std::to_string(status_read + 1) +
                          ": CH367ReadIoByte SPI data (+0xFE) -> "),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(" ; DioRead"), std::string::npos) << report;
}

TEST_F(RecorderProcess, CompareTellsTheSameProgramFromAChangedOne) {
    // A test card with one pixel byte changed, near the end of the file (the picture's top).
    std::string picture = read_text(LOGO_PATH);
    picture[picture.size() - 40] = static_cast<char>(picture[picture.size() - 40] ^ 0xFF);
    std::ofstream(path("changed.bmp"), std::ios::binary) << picture;
    // The demo polls its pattern until it ends: at the highest sample rate it has ended at the
    // first poll in every run, however loaded the machine.
    const std::string demo = std::string("CH367SIM_PG_SAMPLE_RATE=10000000000 '") + DEMO_PATH + "' ";
    ASSERT_EQ(run("CH367REC_TRACE=a.trace CH367SIM_TRACE=simulator.trace", demo + "'" + LOGO_PATH + "'"), 0);
    ASSERT_EQ(run("CH367REC_TRACE=b.trace", demo + "'" + LOGO_PATH + "'"), 0);
    ASSERT_EQ(run("CH367REC_TRACE=changed.trace", demo + "changed.bmp"), 0);

    const std::string compare = std::string("'") + DIO_PATH + "' trace compare ";
    EXPECT_EQ(run("", compare + "a.trace b.trace"), 0) << read_text(path("out.txt"));
    // The simulator's own recording of the run is the recorder's.
    EXPECT_EQ(trace("simulator.trace").driver_path, "the card simulator (CH367SIM_TRACE)");
    EXPECT_EQ(run("", compare + "a.trace simulator.trace"), 0) << read_text(path("out.txt"));

    EXPECT_EQ(run("", compare + "a.trace changed.trace"), 1);
    const std::string report = read_text(path("out.txt"));
    EXPECT_NE(report.find("first difference at call "), std::string::npos) << report;
    EXPECT_NE(report.find("  A  CH367WriteIoByte SPI data (+0xFE) = "), std::string::npos) << report;
    EXPECT_NE(report.find("display data"), std::string::npos) << report;
    EXPECT_NE(report.find(" differ"), std::string::npos) << report;
}
