/* Traffic of a typical host program, shared by the output tests and the stand-alone host
 * program: pattern-generator commands, and raw SPI frames on the display and on device 3. */
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
