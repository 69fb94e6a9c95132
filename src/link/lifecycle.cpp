// Opening and closing the card.
#include <cstdlib>

#include "display/frame_buffer.h"
#include "link/bridge.h"
#include "link/delay.h"
#include "link/register_io.h"
#include "patterngen/command.h"

namespace quorvel::link {
namespace {

void* const kInvalidDeviceHandle = reinterpret_cast<void*>(~std::uintptr_t{0});
constexpr std::int64_t kDdsSettleMs = 10;

}  // namespace
}  // namespace quorvel::link

using namespace quorvel::link;

extern "C" QUORVEL_API void DioInitialize(void* /*reserved*/, DioMasterHandle** lpnMasterHandle,
                                          int16_t* status) {
    set_status(status, DIO_OK);
    if (lpnMasterHandle == nullptr) {
        set_status(status, DIO_ERR_ALLOCATE_HANDLE);
        return;
    }
    auto* handle = static_cast<DioMasterHandle*>(std::malloc(sizeof(DioMasterHandle)));
    *lpnMasterHandle = handle;
    if (handle == nullptr) {
        set_status(status, DIO_ERR_ALLOCATE_HANDLE);
        return;
    }
    handle->io_base = 0;
    handle->open = 0;

    handle->device_handle = CH367OpenDevice(0, 0, 0);
    if (handle->device_handle == kInvalidDeviceHandle) {
        set_status(status, DIO_ERR_INVALID_CH367_HANDLE);
        return;
    }
    if (CH367GetIoBaseAddr(&handle->io_base) == 0) {
        // Close the bridge again: a handle that is not open never reaches CH367CloseDevice.
        CH367CloseDevice();
        set_status(status, DIO_ERR_IO_BASE_ADDRESS);
        return;
    }

    handle->mode_a = 1;
    handle->mode_b = 1;
    handle->open = 1;
    handle->line_shadow = read_register(*handle, Register::Lines);
    quorvel::display::clear_frame_buffer(*handle);
    write_lines(*handle, static_cast<std::uint8_t>(handle->line_shadow | kAllChipSelects));

    // The pattern generator's DDS reset, the same command DioResetDDS sends; its flag is not
    // needed: the open has succeeded either way.
    quorvel::patterngen::send_command(*handle, quorvel::patterngen::Opcode::ResetDds);
    delay_ms(kDdsSettleMs);
}

extern "C" QUORVEL_API void DioClose(DioMasterHandle* handle) {
    if (handle == nullptr) return;
    if (handle->open != 0) CH367CloseDevice();
    std::free(handle);
}
