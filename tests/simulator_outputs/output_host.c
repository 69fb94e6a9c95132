/* A host program that knows nothing of the simulator: it opens the card, runs the workload and
 * ends without closing it, so the simulator writes its output files at process exit. With a
 * directory as its argument it changes into it after the workload, before it exits. */
#include <stdio.h>
#include <unistd.h>

#include "host_workload.h"

int main(int argc, char** argv) {
    DioMasterHandle* card = NULL;
    int16_t status = 0;
    DioInitialize(NULL, &card, &status);
    if (status != DIO_OK) {
        printf("%s\n", DioGetErrorStr(NULL, status));
        return 1;
    }
    run_host_workload(card);
    if (argc > 1 && chdir(argv[1]) != 0) return 1;
    return 0;
}
