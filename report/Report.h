#pragma once

#include <string>

#include "analysis/Analysis.h"
#include "analysisview/Provenance.h"

namespace kelmora {

// Writes the report of a run (analysisview/ReportHtml.h) to path, the extension picking the
// form: .html one self-contained file with the figures as inline SVG; .pdf through Qt's PDF
// writer, A4, the figures drawn as vectors on pages after the text. Needs a QGuiApplication.
// Any other extension, or a file that cannot be written, raises EKelmoraError.
void WriteReportFile(const std::string& path, const analysis::TAnalysisResult& result,
                     const analysis::TTitration& titration, const TRunRecord& record);

}  // namespace kelmora
