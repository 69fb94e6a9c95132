#include <stdio.h>
#include "QuorvelWCHDLL.h"
int main(void) { DioMasterHandle* card = NULL; int16_t status = 0; DioInitialize(NULL, &card, &status); printf("%s\n", DioGetErrorStr(NULL, status)); DioClose(card); return status == 0 ? 0 : 1; }
