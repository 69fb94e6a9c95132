#include "host_workload.h"

void run_host_workload(DioMasterHandle* card) {
    int16_t status = 0;
    const uint32_t control[2] = {0x11111111u, 0x22222222u};
    const uint32_t output[4] = {1, 2, 3, 4};
    uint32_t readback[2];
    uint8_t reply[4];
    const uint8_t display_on = 0xAF;
    const uint8_t device3_bytes[4] = {0xDE, 0xAD, 0xBE, 0xEF};

    DioWriteCtrlMemory(card, control, 16, 2, &status);
    DioReadCtrlMemory(card, readback, 16, 2, &status);
    DioWriteOutMemory(card, output, 0, 4, &status);
    DioStep(card, 300, &status);
    DioSetupTriggerMode(card, 1, 2);
    DioWriteCurrentIO(card, 5);
    DioPause(card);
    DioReadProgramCounter(card, reply, &status);
    DioReadStatusRegister(card, reply, &status);
    DioArm(card);
    DioTrig(card);
    DioWriteSPI(card, 1, &display_on, 1, &status);
    DioWriteOLEDStrBuff(card, DIO_BLEND_REPLACE, 8, 40, "frame buffer");
    DioSendOLEDBuff(card);
    DioWriteOLEDStrImm(card, 8, 8, "Hi");
    DioWriteOLEDPixelImm(card, 200, 20, 9);
    DioStreamSPI(card, 3, device3_bytes, reply, sizeof device3_bytes, &status);
    DioHalt(card);
}
