// torvex-warp: the workbench's warp from the command line. See --help.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/WarpCli.h"

int main(int argc, char** argv) {
    return warpcli::Main(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                         isatty(STDERR_FILENO) == 1);
}
