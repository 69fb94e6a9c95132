// The recorder's one instance: the real driver and the recording of the calls passed to it
// (whose lock keeps calls from several threads in one order on the bus and in the file).
#pragma once

#include <cstdint>

#include "call_recording.h"
#include "driver_library.h"

namespace ch367rec {

class Recorder {
public:
    // The driver's functions; each is null when the driver could not be loaded. Set up at the
    // first call, under the lock.
    const ch367bus::DriverFunctions& driver() {
        if (!started_) start();
        return driver_;
    }
    ch367bus::CallRecording& recording() { return recording_; }

private:
    void start();

    bool started_ = false;
    ch367bus::DriverFunctions driver_;
    ch367bus::CallRecording recording_{"ch367rec"};
};

Recorder& recorder();

// The recorder's own CH367OpenDevice, to recognise a driver path that leads back to the recorder.
using OpenDevice = void* (*)(std::int32_t, std::int32_t, std::uint8_t);
OpenDevice own_open_device();

}  // namespace ch367rec
