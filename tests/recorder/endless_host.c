/* A host program that opens the card and reads its status register until it is killed, with
 * the milliseconds of its argument (default 0) between two reads. It says "running" once it has
 * been at work for 300 ms, so that a recording of it holds several chunks. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "QuorvelWCHDLL.h"

int main(int argc, char** argv) {
    const long pause_ms = argc > 1 ? atol(argv[1]) : 0;
    const struct timespec pause = {pause_ms / 1000, (pause_ms % 1000) * 1000000L};
    DioMasterHandle* card = NULL;
    int16_t status = 0;
    DioInitialize(NULL, &card, &status);
    if (status != DIO_OK) return 1;
    struct timespec start, now;
    clock_gettime(CLOCK_MONOTONIC, &start);
    int announced = 0;
    for (;;) {
        uint16_t value = 0;
        DioReadStatusRegister(card, &value, &status);
        if (pause_ms > 0) nanosleep(&pause, NULL);
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long elapsed_ns =
            (now.tv_sec - start.tv_sec) * 1000000000L + (now.tv_nsec - start.tv_nsec);
        if (!announced && elapsed_ns > 300000000L) {
            puts("running");
            fflush(stdout);
            announced = 1;
        }
    }
}
