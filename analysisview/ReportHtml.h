#pragma once

#include <functional>
#include <string>

#include "analysis/Analysis.h"
#include "analysisview/Figure.h"
#include "analysisview/Provenance.h"

namespace kelmora {

// How a figure enters the document: the HTML that stands for it (inline SVG in the HTML
// report, nothing where the PDF draws the figures on pages of their own).
using TFigureHtml = std::function<std::string(const TFigure& figure, const std::string& caption)>;

// The report as one HTML document: data, settings, per model the parameter table, the
// comparison and verdict, the figures, the obs / calc / residual tables, a Methods paragraph
// and the reproducibility footer. Numbers are those of the window and of kelmora-fit's text.
std::string ReportHtml(const analysis::TAnalysisResult& result,
                       const analysis::TTitration& titration, const TRunRecord& record,
                       const TFigureHtml& figureHtml);

// The report's figures in order, with their captions: per model the fit with its residuals,
// the species and Δδ against equivalents.
struct TReportFigure {
    TFigure Figure;
    std::string Caption;
};
std::vector<TReportFigure> ReportFigures(const analysis::TAnalysisResult& result,
                                         const analysis::TTitration& titration);

// The Methods paragraph, ready to paste.
std::string MethodsText(const analysis::TAnalysisResult& result, const TRunRecord& record);

}  // namespace kelmora
