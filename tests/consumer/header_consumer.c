/*
 * A host program that knows only the public header, built as C11 and as C++ and linked through
 * the library's import library (on Windows: the C build through the .lib for other toolchains, the
 * C++ build through MinGW's). Every name of the export list must be declared by the header; a few
 * calls on the simulated card must work. Exit status 0 when all holds.
 */
#include <stdio.h>
#include <string.h>

#include "QuorvelWCHDLL.h"

typedef void (*any_function)(void);

/* The size of a pointer to each export of the export list (one QUORVEL_EXPORT(name) a line):
 * it compiles only where the header declares the name, and needs nothing at link time. */
#define QUORVEL_EXPORT(name) sizeof(&name),
static const size_t declared_exports[] = {
#include "export_names.inc"
};
#undef QUORVEL_EXPORT

static int failures = 0;

static void expect(int holds, const char* what) {
    if (!holds) {
        printf("FAILED: %s\n", what);
        ++failures;
    }
}

int main(void) {
    DioMasterHandle* card = NULL;
    int16_t status = -1;
    /* volatile: the comparison is made on the addresses the loader resolved. */
    any_function volatile halt = (any_function)DioHalt;
    any_function volatile reset = (any_function)DioReset;

    expect(halt == reset, "DioHalt and DioReset are one function");
    expect(strcmp(DioGetErrorStr(NULL, DIO_ERR_INVALID_BMP),
                  "Error: Tried to open invalid BMP file.") == 0,
           "DioGetErrorStr gives the message of a status code");

    DioInitialize(NULL, &card, &status);
    expect(status == DIO_OK && card != NULL, "DioInitialize opens the simulated card");
    expect(DioArm(card) == 1, "DioArm reports success");
    expect(DioReset(card) == 1, "DioReset reports success");
    DioClose(card);

    printf("%s: %d failure(s), %u exports declared\n", failures ? "FAILED" : "passed", failures,
           (unsigned)(sizeof declared_exports / sizeof declared_exports[0]));
    return failures == 0 ? 0 : 1;
}
