#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/FitState.h"

namespace kelmora {

struct TChartPoint {
    double X = 0.0;
    double Y = 0.0;
};

// A line series that keeps its points in ascending x; a point goes after every earlier point
// with the same or a smaller x.
class TLineSeries {
  public:
    std::string Title;

    void Clear() { points_.clear(); }
    void Add(double x, double y);
    // The same order as adding the points one by one, without the quadratic cost of inserting
    // a long descending titration point by point.
    void SetPoints(std::vector<TChartPoint> points);
    int Count() const { return static_cast<int>(points_.size()); }
    double X(int i) const { return points_[static_cast<std::size_t>(i)].X; }
    double Y(int i) const { return points_[static_cast<std::size_t>(i)].Y; }
    const std::vector<TChartPoint>& Points() const { return points_; }

  private:
    std::vector<TChartPoint> points_;
};

// What the chart shows: three series and the title lines. The desktop chart draws it and
// "Copy into table" copies it, so both always agree.
struct TChartData {
    std::array<TLineSeries, 3> Series;
    std::vector<std::string> TitleLines;
    std::string XAxisTitle;
    std::string YAxisTitle;
};

extern const std::array<const char*, 3> kShiftSeriesTitles;
extern const std::array<const char*, 3> kFractionSeriesTitles;
extern const char* const kConcAxisTitle;      // "C, mol/l"
extern const char* const kShiftAxisTitle;     // "Chemical shift, ppm"
extern const char* const kFractionAxisTitle;  // "Fraction"

// The title line: the criterion as the mean square it is, its RMS, and the bound notes.
std::string CriterionTitle(const TFitState& state);

// Display modes: 0 the shifts, anything else the bound fractions.
void FillChart(TChartData& chart, const TFitState& state, int mode);

}  // namespace kelmora
