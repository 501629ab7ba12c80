#pragma once

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "analysis/Analysis.h"
#include "analysis/Spectra.h"

namespace kelmora {

// Raises the file's "is damaged" error for the field at where; never returns.
using TDamagedField = std::function<void(const std::string& where, const std::string& what)>;

// The results of an analysis and the titration they were fitted to, for a Kelmora file: every
// field of every result struct, numbers to the last bit (NaN and infinities as texts).
nlohmann::ordered_json AnalysisResultJson(const analysis::TAnalysisResult& result);
nlohmann::ordered_json TitrationJson(const analysis::TTitration& titration);
// And back; a field that is missing or of the wrong kind is reported through damaged.
analysis::TAnalysisResult ReadAnalysisResult(const nlohmann::json& j, const std::string& where,
                                             const TDamagedField& damaged);
analysis::TTitration ReadTitration(const nlohmann::json& j, const std::string& where,
                                   const TDamagedField& damaged);

struct TSpectraSection;

// The Spectra window's section of a Kelmora file, results included, the same way; and back.
nlohmann::ordered_json SpectraSectionJson(const TSpectraSection& section);
TSpectraSection ReadSpectraSection(const nlohmann::json& j, const std::string& where,
                                   const TDamagedField& damaged);

}  // namespace kelmora
