#pragma once

#include <iosfwd>
#include <string_view>
#include <vector>

namespace kelmora {

// Exit statuses of kelmora-fit.
inline constexpr int FitExitOk = 0;
inline constexpr int FitExitError = 1;  // the program's own message was reported
inline constexpr int FitExitUsage = 2;

struct TFitCliStreams {
    std::istream& In;
    std::ostream& Out;
    std::ostream& Err;
    bool ShowProgress = false;  // standard error is a terminal
};

// The whole of kelmora-fit: arguments (without the program name) in, exit status out. The
// data and parameters go through the same steps as in the main window: start-up table and
// separator, data entry by paste, then the command itself.
int RunFitCli(const std::vector<std::string_view>& args, TFitCliStreams streams);

}  // namespace kelmora
