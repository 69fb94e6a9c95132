/* A host program that knows nothing of the simulator: it opens the card, runs the workload and
 * ends without closing it, so the simulator writes its output files at process exit. */
#include <stdio.h>

#include "host_workload.h"

int main(void) {
    DioMasterHandle* card = NULL;
    int16_t status = 0;
    DioInitialize(NULL, &card, &status);
    if (status != DIO_OK) {
        printf("%s\n", DioGetErrorStr(NULL, status));
        return 1;
    }
    run_host_workload(card);
    return 0;
}
