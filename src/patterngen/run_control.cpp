// Run control of the pattern generator: one command each, no state kept in the library.
#include "patterngen/command.h"

using namespace quorvel::patterngen;
using quorvel::link::set_status;
using quorvel::link::usable;

namespace {

uint8_t simple_command(DioMasterHandle* handle, Opcode opcode) {
    if (!usable(handle)) return 0;
    return send_command(*handle, opcode) ? 1 : 0;
}

}  // namespace

extern "C" {

QUORVEL_API uint8_t DioArm(DioMasterHandle* handle) { return simple_command(handle, Opcode::Arm); }

QUORVEL_API uint8_t DioHalt(DioMasterHandle* handle) { return simple_command(handle, Opcode::Halt); }

QUORVEL_API uint8_t DioPause(DioMasterHandle* handle) { return simple_command(handle, Opcode::Pause); }

QUORVEL_API uint8_t DioTrig(DioMasterHandle* handle) { return simple_command(handle, Opcode::Trigger); }

QUORVEL_API uint8_t DioResetDDS(DioMasterHandle* handle) {
    return simple_command(handle, Opcode::ResetDds);
}

QUORVEL_API uint8_t DioClearCtrlMemory(DioMasterHandle* handle) {
    return simple_command(handle, Opcode::ClearCtrlMemory);
}

QUORVEL_API uint8_t DioClearOutMemory(DioMasterHandle* handle) {
    return simple_command(handle, Opcode::ClearOutMemory);
}

QUORVEL_API void DioStep(DioMasterHandle* handle, int32_t step, int16_t* status) {
    if (!usable(handle)) return;
    if (step <= 0) {
        set_status(status, DIO_ERR_STEP_SIZE);
        return;
    }
    send_command(*handle, Opcode::Step, {Argument::word(static_cast<uint32_t>(step))});
}

QUORVEL_API uint8_t DioSetupTriggerMode(DioMasterHandle* handle, uint8_t mode1, uint8_t mode2) {
    if (!usable(handle)) return 0;
    return send_command(*handle, Opcode::SetupTriggerMode,
                        {Argument::byte(mode1), Argument::byte(mode2)})
               ? 1
               : 0;
}

}  // extern "C"

// DioReset is a second export name of DioHalt: one function at one address.
extern "C" QUORVEL_API uint8_t DioReset(DioMasterHandle* handle) __attribute__((alias("DioHalt")));
