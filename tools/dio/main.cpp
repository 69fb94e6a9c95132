// dio: the command-line tool for the Quorvel digital-I/O card and its OLED display.
#include <string>
#include <vector>

#include "runner.h"
#include "terminal.h"

int main(int argc, char** argv) {
    dio::use_binary_standard_streams();
    return dio::run_program(std::vector<std::string>(argv + 1, argv + argc));
}
