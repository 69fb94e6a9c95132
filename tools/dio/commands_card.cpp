// Commands for the pattern generator and the raw SPI bus: info, run control, memory, registers.
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "arguments.h"
#include "command_table.h"
#include "failure.h"
#include "files.h"
#include "hexdump.h"
#include "memory_transfer.h"
#include "session.h"
#include "standard_output.h"
#include "terminal.h"
#include "word_files.h"

namespace dio {

namespace {

// ---- Registers ----------------------------------------------------------------------------------

using RegisterRead = std::uint8_t (*)(DioMasterHandle*, void*, std::int16_t*);
using RegisterWrite = std::uint8_t (*)(DioMasterHandle*, std::uint32_t);

// A register's value from the little-endian bytes the card sends (2 or 4 of them).
std::uint32_t read_register(DioMasterHandle* card, RegisterRead read) {
    std::array<std::uint8_t, 4> bytes{};
    std::int16_t status = DIO_OK;
    read(card, bytes.data(), &status);
    check_status(status);
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// "label:          0x0000abcd", or the value in decimal when hex_digits is 0.
std::string register_line(const char* label, std::uint32_t value, int hex_digits) {
    char line[64];
    if (hex_digits == 0) {
        std::snprintf(line, sizeof line, "%-17s%u\n", label, value);
    } else {
        std::snprintf(line, sizeof line, "%-17s0x%0*x\n", label, hex_digits, value);
    }
    return line;
}

Action define_info(CLI::App&) {
    return [](Session& session) {
        DioMasterHandle* card = session.card();
        write_standard_output(
            register_line("data lines:", read_register(card, DioReadMaxDataLines), 0) +
            register_line("status register:", read_register(card, DioReadStatusRegister), 4) +
            register_line("program counter:", read_register(card, DioReadProgramCounter), 8) +
            register_line("I/O lines:", read_register(card, DioReadCurrentIO), 8));
    };
}

// `pc [VALUE]` and `io [VALUE]`: read the register, or write it when a value is given.
template <RegisterRead Read, RegisterWrite Write, const char* Label>
Action define_register(CLI::App& command) {
    auto value = std::make_shared<std::uint32_t>(0);
    CLI::Option* given = add_number(command, "value", *value, "value to write (reads when absent)");
    return [value, given](Session& session) {
        if (given->count() > 0) {
            check_flag(Write(session.card(), *value));
        } else {
            write_standard_output(register_line(Label, read_register(session.card(), Read), 8));
        }
    };
}
constexpr char kProgramCounter[] = "program counter:";
constexpr char kIoLines[] = "I/O lines:";

// ---- Run control --------------------------------------------------------------------------------

// A one-opcode command, such as arm.
template <std::uint8_t (*Send)(DioMasterHandle*)>
Action define_opcode(CLI::App&) {
    return [](Session& session) { check_flag(Send(session.card())); };
}

Action define_step(CLI::App& command) {
    auto steps = std::make_shared<std::int32_t>(0);
    add_number(command, "N", *steps, "number of steps (at least 1)")->required();
    return [steps](Session& session) {
        std::int16_t status = DIO_OK;
        DioStep(session.card(), *steps, &status);
        check_status(status);
    };
}

Action define_trigger_mode(CLI::App& command) {
    auto modes = std::make_shared<std::array<std::uint8_t, 2>>();
    add_number(command, "A", (*modes)[0], "first mode byte")->required();
    add_number(command, "B", (*modes)[1], "second mode byte")->required();
    return [modes](Session& session) {
        check_flag(DioSetupTriggerMode(session.card(), (*modes)[0], (*modes)[1]));
    };
}

Action define_clear(CLI::App& command) {
    auto memory = std::make_shared<Memory>(Memory::ctrl);
    add_memory(command, *memory);
    return [memory](Session& session) {
        check_flag(*memory == Memory::ctrl ? DioClearCtrlMemory(session.card())
                                           : DioClearOutMemory(session.card()));
    };
}

// ---- Memory -------------------------------------------------------------------------------------

CLI::Option* add_start(CLI::App& command, std::uint32_t& start) {
    return add_number(command, "--start", start, "first word address (default 0)",
                      {0, kMemoryWords - 1});
}

// A whole memory as a binary word file.
constexpr InputLimit kMemoryImage{std::size_t{kMemoryWords} * kWordBytes, "a memory (65536 words)"};

struct LoadArguments {
    Memory memory = Memory::ctrl;
    std::string file;
    std::uint32_t start = 0;
    bool hex = false;
};

Action define_load(CLI::App& command) {
    auto args = std::make_shared<LoadArguments>();
    add_memory(command, args->memory);
    command.add_option("file", args->file, "words to load (\"-\": standard input)")->required();
    add_start(command, args->start);
    command.add_flag("--hex", args->hex, "the file is hex text, one word per line");
    return [args](Session& session) {
        const auto format = args->hex ? WordFormat::hex : WordFormat::binary;
        const auto content = read_file(args->file, format == WordFormat::hex ? kTextLimit : kMemoryImage);
        write_memory(session.card(), args->memory, args->start,
                     parse_word_file(content, format, kMemoryWords));
    };
}

struct DumpArguments {
    Memory memory = Memory::ctrl;
    std::uint32_t start = 0;
    std::uint32_t words = 0;
    std::string output = "-";
    bool hex = false;
};

Action define_dump(CLI::App& command) {
    auto args = std::make_shared<DumpArguments>();
    add_memory(command, args->memory);
    add_start(command, args->start);
    add_number(command, "--words", args->words, "number of words", {0, kMemoryWords})->required();
    command.add_option("-o,--output", args->output, "file to write (default: standard output)");
    command.add_flag("--hex", args->hex, "write hex text, one word per line");
    return [args](Session& session) {
        check_memory_range(args->start, args->words, kExitUsage);
        if (!args->hex && args->output == "-" && stdout_is_terminal()) {
            throw Failure("binary words would go to the terminal: add --hex or -o FILE", kExitUsage);
        }
        const auto image = read_memory(session.card(), args->memory, args->start, args->words);
        write_file(args->output,
                   format_word_file(image, args->hex ? WordFormat::hex : WordFormat::binary));
    };
}

// ---- Raw SPI ------------------------------------------------------------------------------------

enum class SpiKind { stream, write, read };

// Far beyond any device's frame; keeps a mistyped count from exhausting memory.
constexpr std::uint64_t kMaxSpiBytes = 16 * 1024 * 1024;

struct SpiArguments {
    std::uint8_t device = 0;
    std::vector<std::string> bytes;
    std::uint64_t count = 0;
};

template <SpiKind Kind>
Action define_spi(CLI::App& command) {
    auto args = std::make_shared<SpiArguments>();
    add_number(command, "device", args->device, "SPI device 0..5")->required();
    CLI::Option* count = add_number(command, "--count", args->count,
                                    Kind == SpiKind::read ? "bytes to read"
                                                          : "send this many 0x00 bytes instead",
                                    {1, kMaxSpiBytes});
    if (Kind == SpiKind::read) {
        count->required();
    } else {
        command.add_option("bytes", args->bytes, "bytes to send, in hex (\"01 02 ff\" or \"0102ff\")")
            ->excludes(count);
    }
    return [args, count](Session& session) {
        if (Kind != SpiKind::read && args->bytes.empty() && count->count() == 0) {
            throw Failure("give the bytes to send, or --count", kExitUsage);
        }
        std::vector<std::uint8_t> data = args->bytes.empty()
                                             ? std::vector<std::uint8_t>(args->count)
                                             : parse_hex_bytes(args->bytes);
        std::int16_t status = DIO_OK;
        switch (Kind) {
            case SpiKind::stream:
                DioStreamSPI(session.card(), args->device, data.data(), data.data(), data.size(), &status);
                break;
            case SpiKind::write:
                DioWriteSPI(session.card(), args->device, data.data(), data.size(), &status);
                break;
            case SpiKind::read:
                DioReadSPI(session.card(), args->device, data.data(), data.size(), &status);
                break;
        }
        check_status(status);
        if (Kind != SpiKind::write) write_standard_output(hexdump(data));
    };
}

constexpr Command kCommands[] = {
    {"", "info", "open the card and show data lines, status register, program counter, I/O lines",
     define_info},
    {"", "arm", "arm the pattern generator", define_opcode<DioArm>},
    {"", "halt", "halt the pattern generator (also resets it)", define_opcode<DioHalt>},
    {"", "pause", "pause the pattern generator", define_opcode<DioPause>},
    {"", "trigger", "trigger the pattern generator", define_opcode<DioTrig>},
    {"", "step", "advance the pattern generator by N steps", define_step},
    {"", "trigger-mode", "set the two trigger mode bytes", define_trigger_mode},
    {"", "dds-reset", "reset the DDS", define_opcode<DioResetDDS>},
    {"", "clear", "clear the control or the output memory", define_clear},
    {"", "load", "write a file of 32-bit words into a memory", define_load},
    {"", "dump", "read 32-bit words from a memory into a file", define_dump},
    {"", "pc", "read or write the program counter",
     define_register<DioReadProgramCounter, DioWriteProgramCounter, kProgramCounter>},
    {"", "io", "read or write the I/O lines",
     define_register<DioReadCurrentIO, DioWriteCurrentIO, kIoLines>},
    {"", "spi", "raw SPI transactions on devices 0..5", nullptr},
    {"spi", "stream", "send bytes and show the bytes received", define_spi<SpiKind::stream>},
    {"spi", "write", "send bytes", define_spi<SpiKind::write>},
    {"spi", "read", "send --count 0x00 bytes and show the bytes received", define_spi<SpiKind::read>},
};

}  // namespace

std::span<const Command> card_commands() { return kCommands; }

}  // namespace dio
