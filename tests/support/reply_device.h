// A device model for chip selects 2..5 that answers every byte with that byte plus 0x10 and
// records what it was sent, frame by frame. Attach it with ch367sim_attach_device; resetting the
// simulator detaches it.
#pragma once

#include <cstdint>
#include <vector>

#include "ch367sim.h"

struct ReplyDevice {
    static constexpr std::uint8_t kReplyOffset = 0x10;

    std::vector<std::vector<std::uint8_t>> frames;  // one entry per chip-select frame
    int frames_ended = 0;

    ch367sim_device callbacks() { return {this, &start, &exchange, &end}; }

private:
    static ReplyDevice& self(void* context) { return *static_cast<ReplyDevice*>(context); }
    static void start(void* context) { self(context).frames.emplace_back(); }
    static std::uint8_t exchange(void* context, std::uint8_t mosi) {
        self(context).frames.back().push_back(mosi);
        return static_cast<std::uint8_t>(mosi + kReplyOffset);
    }
    static void end(void* context) { ++self(context).frames_ended; }
};
