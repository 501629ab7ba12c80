#pragma once

#include <string>

namespace kelmora {

// kelmora-fit writes reports through kelmora-fit-report, the one program of the two that links
// Qt: this replaces the running process with the helper found beside it, given the same
// arguments. It returns only when the helper cannot be started, with the reason.
std::string ExecReportHelper(char** argv);

}  // namespace kelmora
