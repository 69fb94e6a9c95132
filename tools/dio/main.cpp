// dio: the command-line tool for the Quorvel digital-I/O card and its OLED display.
#include <string>
#include <vector>

#include "runner.h"

int main(int argc, char** argv) {
    return dio::run_program(std::vector<std::string>(argv + 1, argv + argc));
}
