#include "pattern_command_framer.h"

#include "text_file.h"

namespace ch367bus {

namespace {

using Data = PatternGeneratorCommand::Data;

// Data bytes the log shows of one frame.
constexpr std::size_t kShownBytes = 16;

std::string shown_bytes(const std::uint8_t* bytes, const BusUnit& frame) {
    const std::size_t shown = frame.count < kShownBytes ? frame.count : kShownBytes;
    std::string text = hex_bytes(bytes, shown);
    if (frame.count > shown) text += " ...";
    return text;
}

}  // namespace

PatternCommandFramer::Step PatternCommandFramer::add(const BusUnit& frame) {
    last_sequence_ = frame.sequence;
    end_ = frame.end;
    if (!frame.success) fault_ = true;
    if (command_ == nullptr) return start(frame);
    // A frame of no bytes (a chip select pulsed with no clock) carries nothing: the device
    // ignores it and goes on waiting for the command's next frame.
    if (frame.count == 0) return {Outcome::Continued, false, command_};
    if (argument_index_ < command_->argument_count) return argument(frame);
    return data(frame);
}

PatternCommandFramer::Step PatternCommandFramer::start(const BusUnit& frame) {
    first_sequence_ = frame.sequence;
    time_ = frame.time;
    fault_ = !frame.success;
    const PatternGeneratorCommand* command =
        frame.count == 1 ? find_pattern_generator_command(frame.out[0]) : nullptr;
    if (command == nullptr) {
        text_ = "pg frame of " + std::to_string(frame.count) + " bytes, no command";
        if (frame.count > 0) text_ += ": " + shown_bytes(frame.out.data(), frame);
        if (fault_) text_ += " (bus gate fault)";
        return {Outcome::NotACommand, false, nullptr};
    }
    command_ = command;
    argument_index_ = 0;
    if (command_->argument_count > 0) return {Outcome::Started, true, command};
    open_data_phase();
    return {command_ == nullptr ? Outcome::Completed : Outcome::Started, true, command};
}

PatternCommandFramer::Step PatternCommandFramer::argument(const BusUnit& frame) {
    if (frame.count != command_->argument_width) {
        return end(Outcome::Broken, std::string("broken: ") +
                                        command_->argument_names[argument_index_] + " frame of " +
                                        std::to_string(frame.count) + " bytes");
    }
    const PatternGeneratorCommand* command = command_;
    arguments_[argument_index_++] = little_endian_value(frame.out.data(), command_->argument_width);
    if (argument_index_ < command_->argument_count) return {Outcome::Continued, false, command};
    open_data_phase();
    return {command_ == nullptr ? Outcome::Completed : Outcome::Continued, false, command};
}

// The data frame, or its absence: commands without data end with their last argument, and a
// memory transfer of 0 words announces no data frame.
void PatternCommandFramer::open_data_phase() {
    data_length_ = data_frame_length(*command_, arguments_[1]);
    if (data_length_ == 0) end(Outcome::Completed, "");
}

PatternCommandFramer::Step PatternCommandFramer::data(const BusUnit& frame) {
    const bool reads = command_->data == Data::Read;
    std::string detail = std::string(reads ? "read[" : "data[") + std::to_string(frame.count) + "]";
    if (frame.count > 0) {
        detail += " = " + shown_bytes(reads ? frame.in.data() : frame.out.data(), frame);
    }
    if (reads && command_->register_bytes != 0 && frame.count == command_->register_bytes) {
        detail += " (" + std::to_string(little_endian_value(frame.in.data(), frame.count)) + ")";
    }
    if (frame.count != data_length_) {
        return end(Outcome::Broken, detail + ", expected " + std::to_string(data_length_) + " bytes");
    }
    return end(Outcome::Completed, detail);
}

void PatternCommandFramer::abandon() {
    if (command_ == nullptr) return;
    const std::string waiting = argument_index_ < command_->argument_count
                                    ? command_->argument_names[argument_index_]
                                    : "the data frame";
    end(Outcome::Broken, "incomplete: waiting for " + std::string(waiting));
}

PatternCommandFramer::Step PatternCommandFramer::end(Outcome outcome, const std::string& detail) {
    const PatternGeneratorCommand* command = command_;
    text_ = std::string("pg ") + static_cast<char>(command->opcode) + arguments_text();
    if (!detail.empty()) text_ += " " + detail;
    if (fault_) text_ += " (bus gate fault)";
    command_ = nullptr;
    return {outcome, false, command};
}

std::string PatternCommandFramer::arguments_text() const {
    std::string text;
    for (std::size_t i = 0; i < argument_index_; ++i) {
        text += std::string(" ") + command_->argument_names[i] + "=";
        if (command_->argument_width == 1) {
            text += hex_value(arguments_[i], 2);
        } else if (command_->signed_arguments) {
            text += std::to_string(static_cast<std::int32_t>(arguments_[i]));
        } else {
            text += std::to_string(arguments_[i]);
        }
    }
    return text;
}

}  // namespace ch367bus
