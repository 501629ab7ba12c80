// kelmora-fit: the fitting commands of the desktop program for scripts and batch work.
#include <unistd.h>

#include <iostream>
#include <string_view>
#include <vector>

#include "app/FdOutStream.h"
#include "app/FitCli.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    kelmora::TFdOutStream out(STDOUT_FILENO, "standard output");
    return kelmora::RunFitCli(args, {std::cin, out, std::cerr, isatty(STDERR_FILENO) == 1});
}
