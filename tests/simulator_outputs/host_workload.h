/* Traffic of a typical host program, shared by the output tests and the stand-alone host
 * program: pattern-generator commands, drawing on the display (turned on with a raw command,
 * without the long set-up), and a raw SPI frame on device 3. */
#ifndef HOST_WORKLOAD_H
#define HOST_WORKLOAD_H

#include "QuorvelWCHDLL.h"

#ifdef __cplusplus
extern "C" {
#endif

void run_host_workload(DioMasterHandle* card);

#ifdef __cplusplus
}
#endif

#endif
