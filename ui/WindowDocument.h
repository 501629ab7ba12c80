#pragma once

#include <optional>

#include "files/KelmoraDocument.h"

namespace kelmora {

class TMainForm;

// What the Analysis window keeps in a Kelmora file. It tells the main window's File menu of
// every edit (TFileMenu::DocumentChanged), so that the caption's unsaved mark follows.
class IAnalysisDocument {
  public:
    virtual ~IAnalysisDocument() = default;
    virtual TAnalysisSection CaptureAnalysis() const = 0;
    // No section: the window as it starts.
    virtual void RestoreAnalysis(const std::optional<TAnalysisSection>& section) = 0;
};

// The work the windows hold, as a Kelmora file keeps it.
TKelmoraDocument CaptureDocument(TMainForm& form, const IAnalysisDocument* analysis);

// Puts every text and setting of a document into the windows, the decimal separator first;
// nothing is computed, so nothing here can fail.
void RestoreDocument(TMainForm& form, IAnalysisDocument* analysis, const TKelmoraDocument& doc);

// Then what the restored texts mean: the data set as "Ок" would load it, the table's values
// (the exact ones the file kept, where the cells still show them), Q and the chart. A text that
// does not convert raises its error as the command would; the texts stay as restored.
void RecomputeDocument(TMainForm& form, const TKelmoraDocument& doc);

}  // namespace kelmora
