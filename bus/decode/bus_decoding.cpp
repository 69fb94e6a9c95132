#include "bus_decoding.h"

namespace ch367bus {

BusDecoding::BusDecoding(BusDecodingOptions options, std::uint8_t lines, std::uint32_t io_lines,
                         UnitDecoded unit_decoded)
    : options_(options), unit_decoded_(std::move(unit_decoded)),
      units_(timeline_, [this](const BusUnit& unit) { add_unit(unit); }) {
    if (options_.vcd) {
        vcd_.emplace(lines, io_lines, options_.vcd_limit, options_.vcd_vector, options_.vcd_teller);
    }
    restart(lines, io_lines);
}

void BusDecoding::restart(std::uint8_t lines, std::uint32_t io_lines) {
    timeline_ = {};
    if (vcd_) vcd_->restart(lines, io_lines);
    decoder_.restart();
    units_.restart(lines);
    changed_ = false;
}

void BusDecoding::add_unit(const BusUnit& unit) {
    const auto& commands = decoder_.commands();
    const std::size_t known = commands.size();
    const std::uint64_t known_repeats = known == 0 ? 0 : commands.back().count;
    decoder_.add(unit);
    if (unit_decoded_) unit_decoded_(known, known_repeats);
}

CommandDecoder BusDecoding::ended() const {
    CommandDecoder ended = decoder_;
    ended.finish();
    return ended;
}

void BusDecoding::device_opened(bool success) {
    changed_ = true;
    if (options_.commands) units_.device_opened(success, timeline_.now());
}

void BusDecoding::device_closed() {
    changed_ = true;
    if (options_.commands) units_.device_closed(timeline_.now());
}

void BusDecoding::register_accessed(bool is_write, std::uint8_t offset, std::uint8_t value) {
    changed_ = true;
    if (options_.commands) units_.register_accessed(is_write, offset, value, timeline_.now());
}

void BusDecoding::access_refused() {
    changed_ = true;
    if (options_.commands) units_.access_refused(timeline_.now());
}

void BusDecoding::transaction_begun(std::uint64_t sequence) {
    changed_ = true;
    const std::uint64_t time = timeline_.gate_event();
    if (vcd_) vcd_->gate_event();
    if (options_.commands) units_.transaction_begun(sequence, time);
}

void BusDecoding::transaction_ended(bool success) {
    changed_ = true;
    timeline_.gate_event();
    if (vcd_) vcd_->gate_event();
    if (options_.commands) units_.transaction_ended(success);
}

void BusDecoding::lines_written(std::uint8_t before, std::uint8_t after) {
    changed_ = true;
    const std::uint64_t time = timeline_.line_event();
    if (vcd_) vcd_->line_event(after);
    if (options_.commands) units_.lines_written(before, after, time);
}

void BusDecoding::byte_shifted(std::uint8_t mosi, std::uint8_t miso) {
    changed_ = true;
    timeline_.byte_event();
    if (vcd_) vcd_->byte_event(mosi, miso);
    if (options_.commands) units_.byte_shifted(mosi, miso);
}

void BusDecoding::io_lines_changed(std::uint32_t value, std::uint64_t delay) {
    changed_ = true;
    if (vcd_) vcd_->io_event(value, delay);
}

void BusDecoding::pattern_played(std::uint64_t duration) {
    changed_ = true;
    timeline_.pass(duration);
    if (vcd_) vcd_->time_passed(duration);
}

// A recorded moment later than the events so far moves the timebase on to it; one that falls
// within the time the events before it take is left where they end.
void BusDecoding::time_reached(std::uint64_t time) {
    if (time <= timeline_.now()) return;
    const std::uint64_t idle = time - timeline_.now();
    timeline_.pass(idle);
    if (vcd_) vcd_->time_passed(idle);
}

}  // namespace ch367bus
