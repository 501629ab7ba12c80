#pragma once

// kelmora-fit analyze and the Analysis window share their work through Kelmora files: a batch
// run saves what the window would have shown, and a file saved from the window can be refitted
// from a script.

#include "analysis/Analysis.h"
#include "files/KelmoraDocument.h"

namespace kelmora {

// The titration a file's Analysis section holds, read as the window reads its sheet (in the
// decimal separator in force). Raises EKelmoraError naming the cell that is not a number.
analysis::TTitration SectionTitration(const TAnalysisSection& section);

// The settings a file's Analysis section holds; a fixed value that is not a number raises
// EKelmoraError naming the parameter.
analysis::TAnalysisSettings SectionSettings(const TAnalysisSection& section);

// The window's section for a finished run: the data as sheet texts to the last bit, the
// settings, and the results, not stale. Raises EKelmoraError when the window's sheet could not
// hold the titration (more signals than its columns).
TAnalysisSection AnalyzedSection(const analysis::TTitration& titration,
                                 const analysis::TAnalysisSettings& settings,
                                 const analysis::TAnalysisResult& result);

}  // namespace kelmora
