#include "command_decoder.h"

#include <utility>

#include "bridge_registers.h"
#include "text_file.h"

namespace ch367bus {

namespace {

constexpr std::uint8_t kPatternGenerator = 0;
constexpr std::uint8_t kDisplay = 1;

constexpr std::uint8_t kDdsResetOpcode = 'i';  // the first command of DioInitialize
constexpr std::uint8_t kPauseOpcode = 'p';     // alone DioPause; before 'm' DioWriteCurrentIO
constexpr std::uint8_t kWriteIoOpcode = 'm';

constexpr std::uint8_t kAddressCommand = 0xB0;  // B0, row, column low 4 bits, 0x10 | high 3 bits
constexpr std::size_t kAddressCommandLength = 4;
constexpr std::uint8_t kDisplayOn = 0xAF;       // the last command of DioSetupOLED
constexpr std::uint64_t kRowBytes = 128;  // 256 pixels of 4 bits
constexpr std::uint64_t kScreenBytes = kRowBytes * 64;
constexpr std::size_t kShownBytes = 16;

// Export names, as the bus can tell them apart.
constexpr const char* kInitialize = "DioInitialize";
constexpr const char* kClose = "DioClose";
constexpr const char* kSetAddressLow = "DioSetADRSR_Low";
constexpr const char* kSetAddressHigh = "DioSetADRSR_High";
constexpr const char* kSetup = "DioSetupOLED";
constexpr const char* kRawSpi = "DioStreamSPI/DioWriteSPI/DioReadSPI";
constexpr const char* kRowFill = "DioWriteOLEDRowValImm/DIOClearOLEDImm (row fills)";
constexpr const char* kOneByte = "DioWriteOLEDPixelImm/DioWriteOLEDPixelPairImm/DioWriteOLEDLineImm";
constexpr const char* kScreen = "DioWriteOLEDScreenArrImm/DioSendOLEDBuff";
constexpr const char* kRun =
    "DioWriteOLEDArrImm, alone or under Row/Area/2DUnpacked/Char/Str/AreaBMP Imm";
constexpr const char* kOtherDisplayWrite = "display write of another shape";
constexpr const char* kGateClosed = "transaction that did not open the bus";
constexpr const char* kClosedBridge = "register accesses on a closed bridge";

bool is_address_command(const BusUnit& unit) {
    return unit.count == kAddressCommandLength && unit.out[0] == kAddressCommand &&
           (unit.out[2] & 0xF0) == 0 && (unit.out[3] & 0xF8) == 0x10;
}

std::string shown_bytes(const std::uint8_t* bytes, std::uint64_t count, std::size_t limit) {
    const std::size_t shown = count < limit ? static_cast<std::size_t>(count) : limit;
    std::string text = hex_bytes(bytes, shown);
    if (count > shown) text += " ... (" + std::to_string(count) + " bytes)";
    return text;
}

}  // namespace

void CommandDecoder::add(const BusUnit& unit) {
    if (unit.kind == BusUnit::Kind::Refused) {
        refused(unit);
        return;
    }
    end_refused_run();
    const bool after_pause = std::exchange(pause_just_ended_, false);
    switch (unit.kind) {
        case BusUnit::Kind::Opened:
            flush_data_run();
            start_call(kInitialize, unit.opened ? Stage::Initialize : Stage::Done);
            charge(unit);
            log(unit, unit.opened ? "bridge opened" : "bridge open failed");
            return;
        case BusUnit::Kind::Closed:
            flush_data_run();
            start_call(kClose, Stage::Done);
            charge(unit);
            log(unit, "bridge closed");
            return;
        case BusUnit::Kind::AddressLow:
            flush_data_run();
            start_call(kSetAddressLow, Stage::Done);
            charge(unit);
            log(unit, "address low register <- " + hex_value(unit.lines, 2));
            return;
        case BusUnit::Kind::Lines: lines(unit); return;
        case BusUnit::Kind::Transaction: transaction(unit, after_pause); return;
        case BusUnit::Kind::Refused: return;
    }
}

// The driver refuses register calls once the bridge is closed, so a host that goes on using a
// closed card sends nothing; the log shows how much it tried, one line per run of accesses.
void CommandDecoder::refused(const BusUnit& unit) {
    if (refused_count_ == 0) {
        flush_data_run();
        start_call(kClosedBridge, Stage::Done);
        refused_time_ = unit.time;
    }
    refused_end_ = unit.end;
    ++refused_count_;
    charge(unit);
}

void CommandDecoder::end_refused_run() {
    if (refused_count_ == 0) return;
    log(0, 0, refused_time_, refused_end_,
        std::to_string(refused_count_) + " register accesses refused: bridge closed", current_);
    refused_count_ = 0;
}

void CommandDecoder::finish() {
    end_refused_run();
    if (stage_ == Stage::DisplayAddressed || stage_ == Stage::DisplayData) name_display_write();
    flush_data_run();
    if (framer_.in_command()) {
        framer_.abandon();
        log(framer_.first_sequence(), framer_.last_sequence(), framer_.time(), framer_.end(),
            framer_.text(), framer_call_);
    }
    stage_ = Stage::Done;
}

void CommandDecoder::start_call(std::string name, Stage stage) {
    calls_.push_back({std::move(name), 0, held_accesses_, 0});
    held_accesses_ = 0;
    current_ = calls_.size() - 1;
    stage_ = stage;
}

void CommandDecoder::charge(std::size_t call, const BusUnit& unit) {
    ExportCall& target = calls_[call];
    target.accesses += unit.accesses;
    if (unit.kind != BusUnit::Kind::Transaction) return;
    ++target.transactions;
    target.bytes += unit.count;
}

void CommandDecoder::log(const BusUnit& unit, std::string text) {
    const std::uint64_t sequence = unit.kind == BusUnit::Kind::Transaction ? unit.sequence : 0;
    log(sequence, sequence, unit.time, unit.end, std::move(text), current_);
}

void CommandDecoder::log(std::uint64_t first, std::uint64_t last, std::uint64_t time,
                         std::uint64_t end, std::string text, std::size_t call) {
    if (!commands_.empty()) {
        DecodedCommand& previous = commands_.back();
        if (previous.text == text && calls_[previous.call].name == calls_[call].name) {
            ++previous.count;
            previous.end = end;
            previous.latest_first_sequence = first;
            if (last != 0) previous.last_sequence = last;
            return;
        }
    }
    commands_.push_back({first, last, time, end, std::move(text), call, 1, first});
}

// Line-register writes outside transactions: the display's reset pulse and data bracket belong
// to the display export around them, a write that moves a chip select is a direct write of the
// line register, and the rest (writes that change nothing) go with the next export.
void CommandDecoder::lines(const BusUnit& unit) {
    const std::uint8_t before = unit.lines_before;
    const std::uint8_t after = unit.lines;
    const auto rose = [before, after](std::uint8_t bit) {
        return (before & bit) == 0 && (after & bit) != 0;
    };
    const auto fell = [before, after](std::uint8_t bit) {
        return (before & bit) != 0 && (after & bit) == 0;
    };
    const bool reset_fell = fell(kDisplayResetReleased);
    const bool reset_rose = rose(kDisplayResetReleased);
    const bool data_mode_rose = rose(kDisplayDataMode);
    const bool data_mode_fell = fell(kDisplayDataMode);
    const bool selects_moved = ((before ^ after) & kChipSelects) != 0;

    if (stage_ == Stage::DisplayData && data_mode_fell) {
        name_display_write();
        flush_data_run();
        charge(unit);
        stage_ = Stage::Done;
        return;
    }
    if (data_mode_fell) flush_data_run();
    if (stage_ == Stage::Initialize) {
        charge(unit);
        return;
    }
    // The library's own writes keep the chip selects as they are; only a direct write of the
    // line register moves them (or raises the reset line outside the display set-up).
    if (selects_moved || (reset_rose && stage_ != Stage::Setup)) {
        start_call(kSetAddressHigh, Stage::Done);
        charge(unit);
        log(unit, "line register <- " + hex_value(after, 2) + " (written directly)");
        return;
    }
    if (reset_fell) {
        start_call(kSetup, Stage::Setup);
        charge(unit);
        log(unit, "display reset asserted");
        return;
    }
    if (stage_ == Stage::Setup) {
        charge(unit);
        if (reset_rose) log(unit, "display reset released");
        return;
    }
    if (stage_ == Stage::DisplayAddressed && data_mode_rose) {
        stage_ = Stage::DisplayData;
        charge(unit);
        return;
    }
    held_accesses_ += unit.accesses;
}

void CommandDecoder::transaction(const BusUnit& unit, bool after_pause) {
    if (unit.device == kDisplay) {
        display_frame(unit);
        return;
    }
    flush_data_run();
    if (unit.device == kPatternGenerator) {
        pattern_frame(unit, after_pause);
        return;
    }
    if (unit.device == kNoDevice) {
        // The export that ran it goes on with its next piece; it belongs to the current call.
        if (calls_.empty() || stage_ == Stage::Done) start_call(kGateClosed, Stage::Done);
        charge(unit);
        log(unit, "transaction: bus gate did not open, nothing sent");
        return;
    }
    start_call(kRawSpi, Stage::Done);
    charge(unit);
    std::string text = "dev" + std::to_string(unit.device) + " frame of " +
                       std::to_string(unit.count) + " bytes";
    if (unit.count > 0) {
        text += ": out " + shown_bytes(unit.out.data(), unit.count, kShownBytes) + ", in " +
                shown_bytes(unit.in.data(), unit.count, kShownBytes);
    }
    if (!unit.success) text += " (bus gate fault)";
    log(unit, text);
}

void CommandDecoder::pattern_frame(const BusUnit& unit, bool after_pause) {
    const PatternCommandFramer::Step step = framer_.add(unit);
    using Outcome = PatternCommandFramer::Outcome;
    if (step.outcome == Outcome::NotACommand) {
        start_call(kRawSpi, Stage::Done);
        charge(unit);
        log(unit, framer_.text());
        return;
    }
    if (step.started) {
        const std::uint8_t opcode = step.command->opcode;
        if (stage_ == Stage::Initialize && opcode == kDdsResetOpcode) {
            stage_ = Stage::PatternCommand;
        } else if (after_pause && opcode == kWriteIoOpcode) {
            calls_[current_].name = step.command->sent_by;
            stage_ = Stage::PatternCommand;
        } else {
            start_call(step.command->sent_by, Stage::PatternCommand);
        }
        framer_call_ = current_;
    }
    charge(framer_call_, unit);
    if (step.outcome == Outcome::Completed || step.outcome == Outcome::Broken) {
        log(framer_.first_sequence(), framer_.last_sequence(), framer_.time(), framer_.end(),
            framer_.text(), framer_call_);
        if (current_ == framer_call_) stage_ = Stage::Done;
        pause_just_ended_ =
            step.outcome == Outcome::Completed && step.command->opcode == kPauseOpcode;
    }
}

// Display frames in command mode are logged one by one (the address command by its meaning);
// frames in data mode gather into one data run.
void CommandDecoder::display_frame(const BusUnit& unit) {
    if ((unit.lines & kDisplayDataMode) != 0) {
        display_data(unit);
        return;
    }
    flush_data_run();
    if (is_address_command(unit)) {
        run_ = {};  // the write's data run starts afresh
        address_.row = unit.out[1];
        address_.column = static_cast<std::uint8_t>((unit.out[2] & 0x0F) | ((unit.out[3] & 0x07) << 4));
        if (stage_ != Stage::Setup) start_call(kOtherDisplayWrite, Stage::DisplayAddressed);
        charge(unit);
        log(unit, "display address row=" + std::to_string(address_.row) +
                      " col=" + std::to_string(address_.column));
        return;
    }
    if (stage_ != Stage::Setup) start_call(kRawSpi, Stage::Done);
    charge(unit);
    std::string text = "display command";
    if (unit.count > 0) text += " " + shown_bytes(unit.out.data(), unit.count, BusUnit::kKeptBytes);
    if (!unit.success) text += " (bus gate fault)";
    log(unit, text);
    if (stage_ == Stage::Setup && unit.count == 1 && unit.out[0] == kDisplayOn) stage_ = Stage::Done;
}

void CommandDecoder::display_data(const BusUnit& unit) {
    if (stage_ != Stage::DisplayData && stage_ != Stage::Setup) {
        flush_data_run();
        start_call(kRawSpi, Stage::Done);
    }
    charge(unit);
    if (!run_.open) {
        run_ = {};
        run_.open = true;
        run_.first_sequence = unit.sequence;
        run_.time = unit.time;
        run_call_ = current_;
    }
    run_.last_sequence = unit.sequence;
    run_.end = unit.end;
    ++run_.frames;
    if (unit.count > 0) {
        const bool same_as_run = run_.head.empty() || unit.out[0] == run_.head[0];
        run_.uniform = run_.uniform && unit.uniform && same_as_run;
    }
    for (std::size_t i = 0; i < unit.kept() && run_.head.size() < kShownBytes; ++i) {
        run_.head.push_back(unit.out[i]);
    }
    run_.bytes += unit.count;
}

void CommandDecoder::flush_data_run() {
    if (!run_.open) return;
    run_.open = false;
    std::string text = "display data " + std::to_string(run_.bytes) +
                       (run_.bytes == 1 ? " byte" : " bytes");
    if (run_.frames > 1) text += " in " + std::to_string(run_.frames) + " frames";
    if (run_.bytes > 1 && run_.uniform) {
        text += ", all " + hex_byte(run_.head[0]);
    } else if (run_.bytes > 0) {
        text += " = " + hex_bytes(run_.head.data(), run_.head.size());
        if (run_.bytes > run_.head.size()) text += " ...";
    }
    log(run_.first_sequence, run_.last_sequence, run_.time, run_.end, text, run_call_);
}

// Names the current display write by its shape: a row fill sends 128 one-byte frames of one
// value; the other immediate writers send one data frame.
void CommandDecoder::name_display_write() {
    const char* name = kOtherDisplayWrite;
    if (run_.frames == kRowBytes && run_.bytes == kRowBytes && run_.uniform) {
        name = kRowFill;
    } else if (run_.frames == 1 && run_.bytes == 1) {
        name = kOneByte;
    } else if (run_.frames == 1 && run_.bytes == kScreenBytes && address_.row == 0 &&
               address_.column == 0) {
        name = kScreen;
    } else if (run_.frames == 1) {
        name = kRun;
    }
    calls_[current_].name = name;
}

}  // namespace ch367bus
