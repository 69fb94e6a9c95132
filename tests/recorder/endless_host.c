/* A host program that opens the card and reads its status register until it is killed, with
 * the milliseconds of its argument (default 0) between two reads. It says "running" once it has
 * been at work for 300 ms, so that a recording of it holds several chunks. */
#ifdef _WIN32
#include <windows.h>
#else
#define _POSIX_C_SOURCE 200809L
#include <time.h>
#endif
#include <stdio.h>
#include <stdlib.h>

#include "QuorvelWCHDLL.h"

static long long milliseconds_now(void) {
#ifdef _WIN32
    return (long long)GetTickCount64();
#else
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000;
#endif
}

static void pause_for(long milliseconds) {
#ifdef _WIN32
    Sleep((DWORD)milliseconds);
#else
    const struct timespec pause = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&pause, NULL);
#endif
}

int main(int argc, char** argv) {
    const long pause_ms = argc > 1 ? atol(argv[1]) : 0;
    DioMasterHandle* card = NULL;
    int16_t status = 0;
    DioInitialize(NULL, &card, &status);
    if (status != DIO_OK) return 1;
    const long long start = milliseconds_now();
    int announced = 0;
    for (;;) {
        uint16_t value = 0;
        DioReadStatusRegister(card, &value, &status);
        if (pause_ms > 0) pause_for(pause_ms);
        if (!announced && milliseconds_now() - start > 300) {
            puts("running");
            fflush(stdout);
            announced = 1;
        }
    }
}
