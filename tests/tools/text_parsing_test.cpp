// The text dio reads from people: command lines, script lines, numbers, hex bytes, word files,
// and the hex dump it prints back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_parser.h"
#include "failure.h"
#include "hexdump.h"
#include "numbers.h"
#include "script_words.h"
#include "word_files.h"

namespace dio {
namespace {

using Words = std::vector<std::string>;

TEST(ScriptLineTest, SplitsLikeAShell) {
    const std::pair<std::string, Words> cases[] = {
        {"", {}},
        {"   # only a comment", {}},
        {"step 3", {"step", "3"}},
        {"  oled\ttext 0 0  \"two  words\"  ", {"oled", "text", "0", "0", "two  words"}},
        {"oled text 0 0 'a # b' # comment", {"oled", "text", "0", "0", "a # b"}},
        {"oled text 0 0 a#b", {"oled", "text", "0", "0", "a#b"}},
        {R"(say "quote \" inside" 'back\slash' \#x)", {"say", "quote \" inside", "back\\slash", "#x"}},
        {"empty '' word", {"empty", "", "word"}},
        {"crlf line\r", {"crlf", "line"}},
    };
    for (const auto& [line, words] : cases) EXPECT_EQ(split_script_line(line), words) << line;
}

TEST(ScriptLineTest, RejectsUnfinishedQuotingWithItsReason) {
    EXPECT_THROW(split_script_line("text 'open"), Failure);
    EXPECT_THROW(split_script_line("text \"open"), Failure);
    EXPECT_THROW(split_script_line("trailing \\"), Failure);
}

TEST(CommandLineTest, WordsStartingWithASlashArePathsOnEverySystem) {
    CommandParser parser(Scope::command_line);
    EXPECT_NO_THROW(parser.parse({"convert", "/pictures/logo.png", "/pictures/logo.bmp"}));
}

TEST(NumberTest, NormalisesDecimalAndHexForCli11) {
    const std::pair<std::string, std::string> accepted[] = {
        {"300", "300"}, {"0x12C", "300"}, {"0X12c", "300"}, {"010", "10"}, {"-1", "-1"},
        {"0xffffffffffffffff", "18446744073709551615"},
    };
    const CLI::Validator syntax = number_syntax();
    for (const auto& [typed, normal] : accepted) {
        std::string text = typed;
        EXPECT_EQ(syntax(text), "") << typed;
        EXPECT_EQ(text, normal);
    }
    for (std::string rejected : {"", "-", "0x", "1x", "ten", "1.5", "0x1g", "18446744073709551616"}) {
        EXPECT_NE(syntax(rejected), "") << rejected;
    }
}

TEST(NumberTest, RefusesNumbersOutsideTheRange) {
    const std::pair<NumberRange, std::string> accepted[] = {
        {{0, 255}, "0xff"}, {{-5, 5}, "-5"}, {{-5, 5}, "-0"}, {{1, 9}, "1"},
        {{INT64_MIN, 0}, "-9223372036854775808"},
    };
    for (auto [range, text] : accepted) EXPECT_EQ(number_syntax(range)(text), "") << text;
    const std::pair<NumberRange, std::string> refused[] = {
        {{0, 255}, "256"}, {{0, 255}, "-1"}, {{-5, 5}, "-6"}, {{1, 9}, "0"},
        {{INT64_MIN, 0}, "-9223372036854775809"},
        // Past 64 bits: still a number, one out of range.
        {{0, 255}, std::string(38, '9')}, {{0, 255}, "0x" + std::string(17, 'f')},
        {{-5, 5}, "-" + std::string(30, '1')},
    };
    for (auto [range, text] : refused) {
        EXPECT_EQ(number_syntax(range)(text), text + " is out of range " + std::to_string(range.min) +
                                                  ".." + std::to_string(range.max));
    }
}

TEST(NumberTest, ParsesDigitsUpToTheirLimit) {
    EXPECT_EQ(parse_digits("ff", 16, 0xFF), 0xFFu);
    EXPECT_EQ(parse_digits("100", 16, 0xFF), std::nullopt);
    EXPECT_EQ(parse_digits("0xFFFFFFFF", 16, UINT32_MAX), UINT32_MAX);
    EXPECT_EQ(parse_digits("1FFFFFFFF", 16, UINT32_MAX), std::nullopt);
    EXPECT_EQ(parse_digits("12a", 10, 1000), std::nullopt);
}

TEST(HexBytesTest, AcceptsPairsInAnyGrouping) {
    EXPECT_EQ(parse_hex_bytes(Words{"01", "0203", "0xFF", "aB"}),
              (std::vector<std::uint8_t>{0x01, 0x02, 0x03, 0xFF, 0xAB}));
    for (const char* bad : {"1", "012", "0x", "zz", "0x1"}) {
        EXPECT_THROW(parse_hex_bytes(Words{bad}), Failure) << bad;
    }
}

TEST(HexBytesTest, HexTextSkipsCommentsAndLayout) {
    EXPECT_EQ(hex_text_words("# header\n01 02\t03\n  # note 04\n05#06\n"),
              (Words{"01", "02", "03", "05"}));
}

TEST(WordFileTest, HexLinesBecomeLittleEndianWords) {
    const auto image = parse_word_file("# comment\n\n0x11223344\n  aabbccdd  # note\n5\r\n",
                                       WordFormat::hex, 3);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11, 0xDD, 0xCC, 0xBB, 0xAA,
                                                0x05, 0x00, 0x00, 0x00}));
    EXPECT_EQ(format_word_file(image, WordFormat::hex), "11223344\naabbccdd\n00000005\n");
    EXPECT_EQ(format_word_file(image, WordFormat::binary),
              std::string(image.begin(), image.end()));
}

TEST(WordFileTest, RejectionsNameTheProblem) {
    const auto message = [](std::string_view content, WordFormat format) -> std::string {
        try {
            parse_word_file(content, format, 2);
        } catch (const Failure& failure) {
            return failure.what();
        }
        return "accepted";
    };
    EXPECT_EQ(message("1\n2\n1 2\n", WordFormat::hex), "line 3 is not one 32-bit hex word: 1 2");
    EXPECT_EQ(message("100000000\n", WordFormat::hex),
              "line 1 is not one 32-bit hex word: 100000000");
    EXPECT_EQ(message("123456", WordFormat::binary),
              "file size 6 is not a whole number of 4-byte words");
    EXPECT_EQ(message("1\n2\n3\n", WordFormat::hex), "more than 2 words, more than a memory holds");
    EXPECT_EQ(message("123456789abc", WordFormat::binary),
              "more than 2 words, more than a memory holds");
}

TEST(HexdumpTest, SixteenBytesPerLineWithPrintableColumn) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 18; ++i) bytes.push_back(static_cast<std::uint8_t>(0x3E + i));
    EXPECT_EQ(hexdump(bytes),
              "00000000  3e 3f 40 41 42 43 44 45  46 47 48 49 4a 4b 4c 4d  |>?@ABCDEFGHIJKLM|\n"
              "00000010  4e 4f                                             |NO|\n");
    EXPECT_EQ(hexdump({}), "");
}

}  // namespace
}  // namespace dio
