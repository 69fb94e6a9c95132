// The same host program, compiled as C++.
#include "header_consumer.c"
