#pragma once

#include <string_view>
#include <vector>

#include "app/FitCli.h"

namespace kelmora {

// kelmora-fit analyze: arguments (the command word included) in, exit status out.
int RunAnalyzeCli(const std::vector<std::string_view>& args, TFitCliStreams streams);

}  // namespace kelmora
