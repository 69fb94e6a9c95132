#include "output_set.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "bus_cost.h"
#include "ch367sim.h"
#include "command_log.h"
#include "png_files.h"
#include "state_dump.h"

namespace ch367sim {

namespace {

// The output set the exit hook writes. The simulated card, which owns it, is never destroyed,
// so the hook may run at any point of the process's exit; a set that is destroyed (a card a test
// made) takes itself out first.
OutputSet* exit_outputs = nullptr;

struct WriteAtExit {
    ~WriteAtExit() {
        if (exit_outputs != nullptr) exit_outputs->write_files_if_changed();
    }
};

}  // namespace

OutputSet::OutputSet(OutputRequest request, std::uint8_t lines, std::uint32_t io_lines,
                     ch367sim_card_state* card)
    : BusDecoding({.vcd = !request.vcd.empty(), .vcd_limit = request.vcd_limit,
                   .vcd_vector = request.vcd_vector, .commands = decodes(request, card)},
                  lines, io_lines,
                  [this](std::size_t known, std::uint64_t known_repeats) { unit_decoded(known, known_repeats); }),
      request_(std::move(request)), card_(card) {
    static WriteAtExit write_at_exit;
    exit_outputs = this;
}

OutputSet::~OutputSet() {
    if (exit_outputs == this) exit_outputs = nullptr;
}

// Copies each command decoded into the card's ring of recent commands, as the command log writes
// it: a folded run of identical commands goes to the ring one command at a time, each with the
// transactions of the latest. When no file needs them, the decoded commands are dropped as they
// are copied.
void OutputSet::unit_decoded(std::size_t known, std::uint64_t known_repeats) {
    ch367bus::CommandDecoder& decoding = decoder();
    const auto& commands = decoding.commands();
    if (!request_.log.empty()) note_log_lines(known);
    if (card_ != nullptr) {
        if (known > 0) {
            for (std::uint64_t n = known_repeats; n < commands[known - 1].count; ++n) {
                publish(commands[known - 1]);
            }
        }
        for (std::size_t i = known; i < commands.size(); ++i) {
            for (std::uint64_t n = 0; n < commands[i].count; ++n) publish(commands[i]);
        }
    }
    if (request_.log.empty()) decoding.forget_commands();
}

void OutputSet::publish(const ch367bus::DecodedCommand& command) {
    ch367sim_card_command& slot = card_->commands[card_->commands_logged++ % CH367SIM_CARD_COMMANDS];
    slot.first_sequence = command.latest_first_sequence;
    slot.last_sequence = command.last_sequence;
    const std::string text = command.text + " ; " + decoder().calls()[command.call].name;
    const std::size_t length = std::min(text.size(), sizeof slot.text - 1);
    std::memcpy(slot.text, text.data(), length);
    slot.text[length] = '\0';
}

// The command log warns once when its lines pass 100 MB (a polling loop folds into one line,
// but a loop whose answers change does not).
void OutputSet::note_log_lines(std::size_t known) {
    constexpr std::uint64_t kWarnedSize = 100'000'000;
    constexpr std::uint64_t kLineColumns = 16 + 14 + 60 + 4;
    const ch367bus::CommandDecoder& decoding = decoder();
    const auto& commands = decoding.commands();
    for (std::size_t i = known; i < commands.size(); ++i) {
        log_size_ += kLineColumns + commands[i].text.size() + decoding.calls()[commands[i].call].name.size();
    }
    if (log_size_ > kWarnedSize && !log_size_reported_) {
        log_size_reported_ = true;
        std::fprintf(stderr, "ch367sim: the command log %s has passed 100 MB\n", request_.log.c_str());
    }
}

bool OutputSet::write_files() {
    written();
    create_directories();
    bool all_written = true;
    // Each file that could not be written is named on standard error; the others are written.
    const auto check = [&all_written](const std::string& path, bool file_written) {
        if (!file_written) {
            std::fprintf(stderr, "ch367sim: could not write %s: %s\n", path.c_str(),
                         std::strerror(errno));
        }
        all_written = all_written && file_written;
    };
    if (records_vcd()) check(request_.vcd, write_vcd(request_.vcd));
    if (decodes()) {
        // The files show the traffic as if it ended here; the decoding itself goes on.
        const ch367bus::CommandDecoder so_far = ended();
        if (!request_.log.empty()) check(request_.log, ch367bus::write_command_log(request_.log, so_far));
        if (!request_.cost.empty()) {
            check(request_.cost, ch367bus::write_bus_cost(request_.cost, so_far, unattributed(so_far)));
        }
    }
    if (!request_.state.empty()) check(request_.state, write_state_dump(request_.state));
    if (!request_.png.empty() && pngfiles::png_writer() == nullptr) {
        std::fprintf(stderr, "ch367sim: could not write %s: this build has no PNG writer (install "
                     "libpng-dev or libstb-dev and configure again)\n", request_.png.c_str());
        all_written = false;
    } else if (!request_.png.empty()) {
        check(request_.png,
              ch367sim_write_display_png(request_.png.c_str(), request_.png_scale) != 0);
    }
    return all_written;
}

// Creates the directories the requested files go to, so that an output directory need not exist
// before the program runs. A failure shows when the file is written.
void OutputSet::create_directories() const {
    for (const std::string* path : {&request_.png, &request_.vcd, &request_.log, &request_.state,
                                    &request_.cost}) {
        if (path->empty()) continue;
        const std::filesystem::path parent = std::filesystem::path(*path).parent_path();
        std::error_code ignored;
        if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
    }
}

void OutputSet::write_files_if_changed() {
    if (changed()) write_files();
}

void OutputSet::device_closed() {
    BusDecoding::device_closed();
    write_files();
}

}  // namespace ch367sim
