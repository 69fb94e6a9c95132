/* A host program that opens the card and reads its status register until it is killed. It says
 * "running" once it has been at work for 300 ms, so that a recording of it holds several chunks. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <time.h>

#include "QuorvelWCHDLL.h"

int main(void) {
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
