#pragma once

#include "analysis/Analysis.h"
#include "analysisview/Provenance.h"

class QWidget;

namespace kelmora {

class TFileMenu;

// How the results the Analysis window shows were made. The data have no file of their own, so
// there is no command line until a report writes them beside itself.
TRunRecord WindowRunRecord(const analysis::TAnalysisSettings& settings,
                           const analysis::TTitration& titration,
                           const std::optional<TVolumeTexts>& volumes);

// "Export tables...": the tables of ResultSheets as an .xlsx workbook, or as CSV files in a
// folder named like the .csv file chosen (without its extension).
void ExportTables(TFileMenu& files, QWidget* parent, const analysis::TAnalysisResult& result,
                  const analysis::TTitration& titration, const TRunRecord& record);

// "Report...": the report as .pdf or .html, and beside it "<name>-data.txt", the data as
// kelmora-fit reads them, which the report's command line names.
void WriteWindowReport(TFileMenu& files, QWidget* parent, const analysis::TAnalysisResult& result,
                       const analysis::TTitration& titration, TRunRecord record);

}  // namespace kelmora
