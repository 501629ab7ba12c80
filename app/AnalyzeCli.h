#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Analysis.h"
#include "analysisview/Provenance.h"
#include "app/FitCli.h"

namespace kelmora {

// Writes a report of a run to a .pdf or .html file. Only the report helper has one: it needs Qt,
// which kelmora-fit itself never loads.
using TReportWriter =
    std::function<void(const std::string& path, const analysis::TAnalysisResult& result,
                       const analysis::TTitration& titration, const TRunRecord& record)>;

// kelmora-fit analyze: arguments (the command word included) in, exit status out. A --report
// without a writer is refused.
int RunAnalyzeCli(const std::vector<std::string_view>& args, TFitCliStreams streams,
                  const TReportWriter& writeReport = {});

}  // namespace kelmora
