/* A host program built against an installed QuorvelWCHDLL: opens the card, reads its number of
 * data lines, closes it. */
#include <stdint.h>
#include <stdio.h>

#include <QuorvelWCHDLL.h>

int main(void) {
    DioMasterHandle* card = NULL;
    int16_t status = 0;
    DioInitialize(NULL, &card, &status);
    if (status != DIO_OK) {
        printf("open: %s\n", DioGetErrorStr(NULL, status));
        DioClose(card);
        return 1;
    }
    uint8_t lines[4] = {0};
    DioReadMaxDataLines(card, lines, &status);
    DioClose(card);
    if (status < 0) {
        printf("read: %s\n", DioGetErrorStr(NULL, status));
        return 1;
    }
    printf("consumer: %u data lines\n",
           (unsigned)(lines[0] | lines[1] << 8 | lines[2] << 16 | (uint32_t)lines[3] << 24));
    return 0;
}
