// packer: builds and inspects the installer's payload container.
#include "packer.h"

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    packer::Console console{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
    return packer::run(args, console);
}
