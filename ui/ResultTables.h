#pragma once

#include <string>
#include <vector>

#include "analysisview/AnalysisReport.h"

class QTableWidget;
class QWidget;

namespace kelmora {

// The result tables of the analysis windows: read-only, compact rows, numbers to the right.
QTableWidget* ResultTable(QWidget* parent, const std::vector<std::string>& header);
void SetHeader(QTableWidget* table, const std::vector<std::string>& header);
// Replaces the rows, then spreads the columns (below).
void FillTable(QTableWidget* table, const TTextRows& rows);
// Every column as wide as its widest text, and the room left over shared out evenly; a table
// too narrow for its texts scrolls instead of cutting numbers short. Again on every resize.
void SpreadColumns(QTableWidget* table);

}  // namespace kelmora
