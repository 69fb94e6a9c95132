// The output files of a host program that runs in its own process, with the variables of each
// case: files that cannot be written are named on standard error and never left half-written,
// relative paths hold from the start, and the bus recording stops at its cap.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_directory.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// A scratch directory in which output_host runs.
class HostOutputs : public ScratchDirectoryTest {
protected:
    HostOutputs() : ScratchDirectoryTest("output_host") {}

    // Runs output_host in the scratch directory from the shell, after `setup` (shell commands and
    // variable assignments); returns what it wrote on standard error, one line each.
    std::vector<std::string> run(const std::string& setup, const std::string& argument = "") {
        // output_host ends with its card open on purpose: no leak report from a sanitizer build.
        const std::string command = "cd '" + directory_.string() + "' && " + setup +
                                    " ASAN_OPTIONS=detect_leaks=0 '" + OUTPUT_HOST_PATH + "' " +
                                    argument + " >/dev/null 2>stderr.txt";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
        return lines_of(read_text(path("stderr.txt")));
    }
};

TEST_F(HostOutputs, EachFileThatCannotBeWrittenIsNamedOnce) {
    std::ofstream(path("plain")) << "a file, not a directory";
    const auto errors = run("CH367SIM_OUTPUT_DIR=plain");
    ASSERT_EQ(errors.size(), 6u);
    // The recording of the driver calls stops, as the recorder's does.
    for (const char* name : {"bus.vcd", "commands.log", "state.txt", "cost.txt", "panel.png",
                             "bus.trace"}) {
        const std::string expected = "ch367sim: could not write " + path("plain").string() + "/" +
                                     name + ": Not a directory" +
                                     (std::string(name) == "bus.trace" ? "; recording stopped" : "");
        EXPECT_NE(std::find(errors.begin(), errors.end(), expected), errors.end()) << expected;
    }
}

// A file size limit stands in for a full disk: the writes fail part way, as on a full file
// system. The earlier files stay whole, and no partial file is left.
TEST_F(HostOutputs, AFailedWriteKeepsTheEarlierFileAndLeavesNoPartialOne) {
    std::ofstream(path("bus.vcd")) << "earlier recording";
    const auto errors = run("trap '' XFSZ; ulimit -f 64; CH367SIM_VCD=bus.vcd CH367SIM_STATE=state.txt");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "ch367sim: could not write " + path("bus.vcd").string() + ": File too large");
    EXPECT_EQ(read_text(path("bus.vcd")), "earlier recording");
    EXPECT_FALSE(read_text(path("state.txt")).empty());
    for (const auto& entry : fs::directory_iterator(directory_)) {
        EXPECT_EQ(entry.path().string().find("partial"), std::string::npos) << entry.path();
    }
}

TEST_F(HostOutputs, RelativePathsAreTakenFromWhereTheProgramStarted) {
    fs::create_directory(path("elsewhere"));
    std::ofstream(path("elsewhere/state.txt")) << "not the simulator's";
    EXPECT_TRUE(run("CH367SIM_STATE=state.txt", "elsewhere").empty());
    EXPECT_EQ(read_text(path("elsewhere/state.txt")), "not the simulator's");
    EXPECT_NE(read_text(path("state.txt")).find("# State of the simulated card"), std::string::npos);
}

TEST_F(HostOutputs, TheBusRecordingStopsAtItsCap) {
    const auto errors = run("CH367SIM_VCD=bus.vcd CH367SIM_VCD_LIMIT=100000");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("ch367sim: the bus recording reached its cap of 100000 bytes "
                              "(CH367SIM_VCD_LIMIT): " + path("bus.vcd").string() + " ends at t=",
                              0),
              0u)
        << errors[0];
    const std::string vcd = read_text(path("bus.vcd"));
    EXPECT_LE(vcd.size(), 100000u);
    EXPECT_GT(vcd.size(), 90000u);
    EXPECT_EQ(vcd.back(), '\n');  // ends on a whole value change
}

}  // namespace
