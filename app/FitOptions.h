#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmora {

// The three long-standing commands of the main window, run without one.
enum class TFitCommand { Compute, Optimize, Scan };

const char* FitCommandName(TFitCommand command);

// Everything the command line can say, already sorted into types. Texts that the window would
// take from an edit (P0, the iteration count) stay texts: converting them is the engine's job,
// with the engine's own error messages.
struct TFitOptions {
    TFitCommand Command = TFitCommand::Compute;
    std::optional<std::string> DataFile;    // absent or "-": standard input
    std::string P0Text = "0.01";            // as the source-data dialog's edit starts
    std::optional<std::string> ParamsFile;  // absent: the default table
    std::string IterationsText = "1000000000";
    bool Refine = false;                          // FinishMinimaCheck ticked
    std::optional<std::string> DecimalSeparator;  // "Update" pressed with this text
    bool Json = false;
    std::optional<std::string> OpenFile;  // a Kelmora file for data, P0, separator and table
    std::optional<std::string> SaveFile;  // the answer as a Kelmora file
    // Whether --p0 was given: the dialog's default goes through the separator update, a text
    // the user typed does not.
    bool P0Given = false;
};

// What the command line asks for: a run, a help or version text, or a usage error.
struct TFitArgs {
    enum class TKind { Run, Help, Version, UsageError };
    TKind Kind = TKind::Run;
    TFitOptions Options;
    std::string Error;  // for UsageError: what was wrong, one line
};

// Options may stand before or after the command; "--name value" and "--name=value" both work,
// and a value is taken as it is even when it starts with "-" (a negative P0, say).
TFitArgs ParseFitArgs(const std::vector<std::string_view>& args);

std::string FitUsageText();  // short synopsis, shown with usage errors
std::string FitHelpText();   // synopsis and every option
std::string FitVersionText();

}  // namespace kelmora
