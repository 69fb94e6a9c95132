// dio against the simulated card: what a person sees for the pattern-generator, raw SPI and
// script commands, and how failures end the process.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "dio_process.h"

namespace {

using DioCardTest = DioProcess;

// Words whose bytes all differ, so that a swapped or shifted byte shows.
std::vector<std::uint32_t> test_pattern(std::size_t count) {
    std::vector<std::uint32_t> words(count);
    for (std::size_t i = 0; i < count; ++i) words[i] = static_cast<std::uint32_t>(i * 0x01020305u + 0x11);
    return words;
}

std::string little_endian(const std::vector<std::uint32_t>& words) {
    std::string bytes;
    for (std::uint32_t word : words) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>(word >> (8 * i));
    }
    return bytes;
}

std::string hex_lines(const std::vector<std::uint32_t>& words) {
    std::string text;
    char line[16];
    for (std::uint32_t word : words) {
        std::snprintf(line, sizeof line, "%08x\n", word);
        text += line;
    }
    return text;
}

TEST_F(DioCardTest, InfoReportsTheFreshCard) {
    const DioResult result = dio({"info"});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out,
              "data lines:      32\n"
              "status register: 0x0008\n"
              "program counter: 0x00000000\n"
              "I/O lines:       0x00000000\n");
}

// Longer than one transfer chunk, at an address that is not a chunk boundary.
TEST_F(DioCardTest, LoadAndDumpRoundTripInBothFormatsAndMemories) {
    const auto words = test_pattern(10'000);
    write("words.bin", little_endian(words));
    write("words.hex", "# pattern\n" + hex_lines(words));
    const DioResult result = run_script(
        "load ctrl words.bin --start 100\n"
        "load out words.hex --start 0x10 --hex\n"
        "dump ctrl --start 100 --words 10000 -o ctrl.bin\n"
        "dump ctrl --start 100 --words 10000 -o ctrl.hex --hex\n"
        "dump out --start 16 --words 10000 -o out.bin\n");
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(read("ctrl.bin"), little_endian(words));
    EXPECT_EQ(read("ctrl.hex"), hex_lines(words));
    EXPECT_EQ(read("out.bin"), little_endian(words));
}

TEST_F(DioCardTest, DumpWritesHexToStandardOutput) {
    write("words.hex", "0x1234abcd\n  ff  # short words are zero-extended\n");
    const DioResult result = run_script("load ctrl words.hex --hex\ndump ctrl --words 2 --hex\n");
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out, "1234abcd\n000000ff\n");
}

TEST_F(DioCardTest, StepsAndRegistersPersistThroughAScript) {
    const DioResult result = run_script(
        "step 3\n"
        "step 300\n"
        "pc\n"
        "io 0xA5\n"
        "io\n"
        "pc 7\n"
        "pc\n");
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out,
              "program counter: 0x0000012f\n"
              "I/O lines:       0x000000a5\n"
              "program counter: 0x00000007\n");
}

TEST_F(DioCardTest, RawSpiShowsTheBytesThatCameBack) {
    // The number-of-data-lines command by hand: opcode ',' then a 4-byte read.
    const DioResult result = run_script("spi stream 0 2c\nspi read 0 --count 4\n");
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out,
              "00000000  00                                                |.|\n"
              "00000000  20 00 00 00                                       | ...|\n");
}

TEST_F(DioCardTest, ScriptRunsCommentsAndQuotesAndStopsAtTheFailingLine) {
    const DioResult result = run_script(
        "# set up\n"
        "\n"
        "arm   # comments may follow a command\n"
        "\"pc\"\n"
        "step 0\n"
        "pc\n");
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.out, "program counter: 0x00000000\n");  // line 4 ran, line 6 did not
    EXPECT_EQ(result.err,
              "dio: script.dio:5: step: Error: Commanded step size is less than or equal to zero.\n");
}

TEST_F(DioCardTest, ScriptUsageErrorsNameTheirLine) {
    struct Case {
        std::string script;
        std::string error;
    };
    const Case cases[] = {
        {"arm\nbogus\n", "dio: script.dio:2: bogus: unknown command (see --help)\n"},
        {"arm\narm\noled text 0 0 \"open\n", "dio: script.dio:3: unterminated \" quote\n"},
        {"run script.dio\n", "dio: script.dio:1: run: cannot be used inside a script\n"},
        {"oled text 300 0 hi\n",
         "dio: script.dio:1: oled text: x: 300 is out of range 0..255 (see --help)\n"},
        {std::string("arm\noled text 0 0 a\0b\n", 21),
         "dio: script.dio:2: the line holds a NUL byte (column 16); a script is text\n"},
    };
    for (const Case& c : cases) {
        const DioResult result = run_script(c.script);
        EXPECT_EQ(result.exit_code, 2) << c.script;
        EXPECT_EQ(result.err, c.error) << c.script;
    }
}

TEST_F(DioCardTest, FailuresPrintTheirMessageAndExitNonZero) {
    write("empty.bin", "");
    write("odd.bin", "12345");
    write("three.bin", std::string(12, '\x01'));
    std::filesystem::create_directory(path("dir"));
    struct Case {
        std::vector<std::string> arguments;
        int exit_code;
        std::string error;
    };
    const Case cases[] = {
        // The card or the library refuses: exit 1.
        {{"step", "0"}, 1, "dio: step: Error: Commanded step size is less than or equal to zero.\n"},
        {{"spi", "read", "6", "--count", "1"}, 1,
         "dio: spi read: Error: Tried to access an invalid SPI address.\n"},
        {{"dump", "out", "--words", "0", "--hex"}, 1,
         "dio: dump: Error: Number of bytes to read is specified to be zero, needs to be at least 1.\n"},
        {{"load", "ctrl", "empty.bin"}, 1,
         "dio: load: Error: Number of bytes to write is zero, needs to be at least 1.\n"},
        // Files that cannot be used: exit 1, before anything reaches the card.
        {{"load", "ctrl", "odd.bin"}, 1,
         "dio: load: file size 5 is not a whole number of 4-byte words\n"},
        {{"load", "ctrl", "missing.bin"}, 1,
         "dio: load: cannot open 'missing.bin': No such file or directory\n"},
        {{"load", "ctrl", "dir"}, 1, "dio: load: cannot open 'dir': Is a directory\n"},
        {{"run", "dir"}, 1, "dio: run: cannot open 'dir': Is a directory\n"},
        {{"load", "ctrl", "three.bin", "--start", "65534"}, 1,
         "dio: load: 3 words from word address 65534 run past the end of the memory (65536 words)\n"},
#ifndef _WIN32  // an endless stream to read is a Linux thing
        {{"load", "out", "/dev/zero"}, 1,
         "dio: load: '/dev/zero' is longer than a memory (65536 words); stopped reading there\n"},
        {{"run", "/dev/zero"}, 1, "dio: run: '/dev/zero' is longer than 16 MiB; stopped reading there\n"},
#endif
        // Usage errors, found while parsing or after: exit 2, naming the command.
        {{"dump", "ctrl", "--start", "65535", "--words", "2", "--hex"}, 2,
         "dio: dump: 2 words from word address 65535 run past the end of the memory (65536 words)\n"},
        {{"dump", "ctrl", "--words", "4294967295", "--start", "2"}, 2,
         "dio: dump: --words: 4294967295 is out of range 0..65536 (see --help)\n"},
        {{"spi", "write", "2"}, 2, "dio: spi write: give the bytes to send, or --count\n"},
        {{"spi", "write", "2", "0g"}, 2, "dio: spi write: not hex bytes (pairs of hex digits): 0g\n"},
        {{"bogus"}, 2, "dio: bogus: unknown command (see --help)\n"},
        {{"dunp", "ctrl"}, 2, "dio: dunp: unknown command; did you mean 'dump'?\n"},
        {{"spi", "raed", "0"}, 2, "dio: spi raed: unknown command; did you mean 'spi read'?\n"},
        {{"step"}, 2, "dio: step: N is required (see --help)\n"},
        {{"step", "ten"}, 2, "dio: step: N: not a number (decimal, or hex with 0x): ten (see --help)\n"},
        {{"trigger-mode", "0x100", "1"}, 2,
         "dio: trigger-mode: A: 0x100 is out of range 0..255 (see --help)\n"},
        {{"step", "-2147483649"}, 2,
         "dio: step: N: -2147483649 is out of range -2147483648..2147483647 (see --help)\n"},
        {{"clear", "both"}, 2, ""},
        {{"spi", "read", "0", "--count", "0"}, 2,
         "dio: spi read: --count: 0 is out of range 1..16777216 (see --help)\n"},
        {{"spi", "stream", "0", "--count", "0"}, 2, ""},
        {{"spi", "write", "0", "--count", "0"}, 2, ""},
        {{"step", std::string(38, '9')}, 2,
         "dio: step: N: " + std::string(38, '9') + " is out of range -2147483648..2147483647 (see --help)\n"},
        {{"--crad", "x.card", "info"}, 2, "dio: --crad: unknown option; did you mean '--card'?\n"},
        {{"--verison"}, 2, "dio: --verison: unknown option; did you mean '--version'?\n"},
        {{"--frobnicate", "info"}, 2, "dio: --frobnicate: unknown option (see --help)\n"},
    };
    for (const Case& c : cases) {
        const DioResult result = dio(c.arguments);
        EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments[0] << " " << c.arguments.back();
        if (!c.error.empty()) {
            EXPECT_EQ(result.err, c.error);
        }
        EXPECT_EQ(result.out, "");
    }
}

// Output that is lost fails the command, rather than ending in exit status 0.
#ifndef _WIN32  // a full device to write to is a Linux thing
TEST_F(DioCardTest, LostStandardOutputFails) {
    struct Case {
        std::vector<std::string> arguments;
        std::string standard_output;
        std::string error;
    };
    const Case cases[] = {
        {{"info"}, "", "dio: info: cannot write to standard output: Bad file descriptor\n"},
        {{"spi", "read", "0", "--count", "100000"}, "/dev/full",
         "dio: spi read: cannot write to standard output: No space left on device\n"},
        {{"--version"}, "/dev/full", "dio: cannot write to standard output: No space left on device\n"},
    };
    for (const Case& c : cases) {
        const DioResult result = dio(c.arguments, {}, c.standard_output);
        EXPECT_EQ(result.exit_code, 1) << c.arguments[0];
        EXPECT_EQ(result.err, c.error);
    }
}
#endif

TEST_F(DioCardTest, HelpOnEveryLevelAndVersionExitZero) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--help"}, {"spi", "--help"}, {"spi", "stream", "--help"}, {"dump", "--help"}}) {
        const DioResult result = dio(arguments);
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_NE(result.out.find("Usage: dio"), std::string::npos) << result.out;
    }
    const DioResult version = dio({"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out.rfind("dio ", 0), 0u) << version.out;
}

}  // namespace

TEST_F(DioCardTest, RunModelTakesItsSettingsFromTheEnvironmentAndItsOptions) {
    struct Case {
        std::vector<std::string> arguments, environment;
        std::string out, err;
    };
    const std::string defaults =
        "clock:           real\nsample rate:     1000000 Hz\nlength:          default\n"
        "pattern length:  65536 words\nrepeat:          off\n";
    const Case cases[] = {
        {{"card", "run-model"}, {}, defaults, ""},
        {{"card", "run-model"},
         {"CH367SIM_PG_CLOCK=test", "CH367SIM_PG_SAMPLE_RATE=5000", "CH367SIM_PG_LENGTH=7",
          "CH367SIM_PG_REPEAT=1"},
         "clock:           test\nsample rate:     5000 Hz\nlength:          7\n"
         "pattern length:  7 words\nrepeat:          on\n",
         ""},
        {{"card", "run-model"}, {"CH367SIM_PG_CLOCK=fast"}, defaults,
         "ch367sim: CH367SIM_PG_CLOCK=fast is not real or test; ignored\n"},
        {{"card", "run-model", "--clock", "test", "--rate", "2", "--length", "3", "--repeat", "on"},
         {"CH367SIM_PG_LENGTH=default"},
         "clock:           test\nsample rate:     2 Hz\nlength:          3\n"
         "pattern length:  3 words\nrepeat:          on\n",
         ""},
    };
    for (const Case& c : cases) {
        const DioResult result = dio(c.arguments, c.environment);
        EXPECT_EQ(result.exit_code, 0) << result.err;
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(dio({"card", "run-model", "--length", "0"}).exit_code, 2);
    EXPECT_EQ(dio({"card", "advance", "5"}).out, "played:          0 samples\n");
}
