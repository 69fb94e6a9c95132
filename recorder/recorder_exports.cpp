// The five functions of the bridge's driver library: each is passed to the real driver unchanged
// and recorded with its arguments, its result and the moment it began.
#include <cstdint>

#include "recorder.h"

#if defined(_WIN32)
#define CH367_RECORDER_API extern "C" __declspec(dllexport)
#else
#define CH367_RECORDER_API extern "C" __attribute__((visibility("default")))
#endif

using ch367bus::Function;
using ch367bus::RawRecord;

namespace {

// Holds the recorder's lock for one call.
class Call {
public:
    Call() : recorder_(ch367rec::recorder()), ticks_(0) {
        recorder_.recording().lock();
        driver_ = &recorder_.driver();
        ticks_ = ch367bus::ticks();
    }
    ~Call() { recorder_.recording().unlock(); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    const ch367bus::DriverFunctions& driver() const { return *driver_; }

    void record(Function function, std::uint64_t address, std::int64_t result,
                std::uint8_t value = 0, std::uint8_t flags = 0, std::int32_t argument = 0) {
        recorder_.recording().record(raw(function, address, result, value, flags, argument));
    }
    void record_close() { recorder_.recording().record_close(raw(Function::close_device, 0, 0)); }

private:
    RawRecord raw(Function function, std::uint64_t address, std::int64_t result,
                  std::uint8_t value = 0, std::uint8_t flags = 0, std::int32_t argument = 0) const {
        return {ticks_, address, result, static_cast<std::uint8_t>(function), value, flags, 0, argument};
    }

    ch367rec::Recorder& recorder_;
    const ch367bus::DriverFunctions* driver_ = nullptr;
    std::uint64_t ticks_;
};

std::uint8_t null_flag(const void* pointer) {
    return pointer == nullptr ? ch367bus::kNullPointer : 0;
}

}  // namespace

CH367_RECORDER_API void* CH367OpenDevice(std::int32_t index, std::int32_t exclusive,
                                         std::uint8_t interrupt) {
    Call call;
    void* const handle = call.driver().open_device != nullptr
                             ? call.driver().open_device(index, exclusive, interrupt)
                             : ch367bus::kInvalidDeviceHandle;
    call.record(Function::open_device, static_cast<std::uint32_t>(index),
                static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(handle)), interrupt, 0,
                exclusive);
    return handle;
}

CH367_RECORDER_API std::int32_t CH367GetIoBaseAddr(std::uint64_t* io_base) {
    Call call;
    const std::int32_t result =
        call.driver().get_io_base != nullptr ? call.driver().get_io_base(io_base) : 0;
    call.record(Function::get_io_base, io_base != nullptr ? *io_base : 0, result, 0,
                null_flag(io_base));
    return result;
}

CH367_RECORDER_API std::int32_t CH367ReadIoByte(std::uint64_t address, std::uint8_t* value) {
    Call call;
    const std::int32_t result =
        call.driver().read_io_byte != nullptr ? call.driver().read_io_byte(address, value) : 0;
    call.record(Function::read_io_byte, address, result, value != nullptr ? *value : 0,
                null_flag(value));
    return result;
}

CH367_RECORDER_API std::int32_t CH367WriteIoByte(std::uint64_t address, std::uint8_t value) {
    Call call;
    const std::int32_t result =
        call.driver().write_io_byte != nullptr ? call.driver().write_io_byte(address, value) : 0;
    call.record(Function::write_io_byte, address, result, value);
    return result;
}

CH367_RECORDER_API void CH367CloseDevice(void) {
    Call call;
    if (call.driver().close_device != nullptr) call.driver().close_device();
    call.record_close();
}

ch367rec::OpenDevice ch367rec::own_open_device() { return &CH367OpenDevice; }
