// kelmora-fit-report: kelmora-fit analyze with --report, started by kelmora-fit in its place.
// It draws with Qt's offscreen platform, so it needs no display either.
#include <unistd.h>

#include <QGuiApplication>
#include <iostream>
#include <string_view>
#include <vector>

#include "app/AnalyzeCli.h"
#include "app/FdOutStream.h"
#include "report/Report.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);  // the arguments are the command's, not Qt's
    kelmora::TFdOutStream out(STDOUT_FILENO, "standard output");
    return kelmora::RunAnalyzeCli(args, {std::cin, out, std::cerr, isatty(STDERR_FILENO) == 1},
                                  kelmora::WriteReportFile);
}
