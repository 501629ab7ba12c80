// kelmora-fit: the fitting commands of the desktop program for scripts and batch work.
#include <unistd.h>

#include <exception>
#include <iostream>
#include <new>
#include <string_view>
#include <vector>

#include "app/AnalyzeOptions.h"
#include "app/FdOutStream.h"
#include "app/FitCli.h"
#include "app/ReportHelper.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    // A report needs Qt's painter; only the helper loads it, so every other command runs
    // without a display and without Qt's libraries.
    if (kelmora::IsAnalyzeCommand(args)) {
        const kelmora::TAnalyzeArgs parsed = kelmora::ParseAnalyzeArgs(args);
        if (parsed.Kind == kelmora::TAnalyzeArgs::TKind::Run && parsed.Options.ReportFile) {
            std::cerr << kelmora::ExecReportHelper(argv) << '\n';
            return kelmora::FitExitError;
        }
    }
    kelmora::TFdOutStream out(STDOUT_FILENO, "standard output");
    // The commands report the program's own errors; anything else (a library's, memory) ends
    // here with a message of ours rather than an abort with the library's text.
    try {
        return kelmora::RunFitCli(args, {std::cin, out, std::cerr, isatty(STDERR_FILENO) == 1});
    } catch (const std::bad_alloc&) {
        std::cerr << "kelmora-fit: there is not enough memory to finish the command\n";
    } catch (const std::exception&) {
        std::cerr << "kelmora-fit: the command failed: a computation inside it failed\n";
    }
    return kelmora::FitExitError;
}
