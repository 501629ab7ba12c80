#include "engine/ChartData.h"

#include <algorithm>
#include <cmath>

#include "engine/BoundNotes.h"
#include "util/NumberText.h"

namespace kelmora {

namespace {
bool XLess(const TChartPoint& a, const TChartPoint& b) {
    return a.X < b.X;
}
}  // namespace

void TLineSeries::Add(double x, double y) {
    const TChartPoint p{x, y};
    points_.insert(std::upper_bound(points_.begin(), points_.end(), p, XLess), p);
}

void TLineSeries::SetPoints(std::vector<TChartPoint> points) {
    std::stable_sort(points.begin(), points.end(), XLess);
    points_ = std::move(points);
}

const std::array<const char*, 3> kShiftSeriesTitles = {"Exp. Chem. Shift", "Theor. Chem. Shift",
                                                       "Exp.-Theor.+7"};
const std::array<const char*, 3> kFractionSeriesTitles = {"Alpha1", "Alpha2", "1-A1-A2"};
const char* const kConcAxisTitle = "C, mol/l";
const char* const kShiftAxisTitle = "Chemical shift, ppm";
const char* const kFractionAxisTitle = "Fraction";

std::string CriterionTitle(const TFitState& state) {
    // Q is 10^4 times the mean square deviation; the reader wants the RMS in ppm beside it.
    const double rms = std::sqrt(state.Q * 1e-4);
    return "Mean square exp.-theor.=" + FormatGeneral(state.Q) +
           "×10⁻⁴ ppm², RMS=" + FormatGeneral(rms, 6) + " ppm" + BoundNotesText(state);
}

void FillChart(TChartData& chart, const TFitState& state, int mode) {
    std::array<std::vector<TChartPoint>, 3> pts;
    for (auto& p : pts) {
        p.reserve(state.Points.size());
    }
    for (const TDataPoint& d : state.Points) {
        if (mode == 0) {
            pts[0].push_back({d.Conc, d.ExpShift});
            pts[1].push_back({d.Conc, d.TheorShift});
            pts[2].push_back({d.Conc, (7.0 + d.ExpShift) - d.TheorShift});
        } else {
            pts[0].push_back({d.Conc, d.Alpha1});
            pts[1].push_back({d.Conc, d.Alpha2});
            pts[2].push_back({d.Conc, (1.0 - d.Alpha1) - d.Alpha2});
        }
    }
    for (int k = 0; k < 3; ++k) {
        chart.Series[k].Title = mode == 0 ? kShiftSeriesTitles[k] : kFractionSeriesTitles[k];
        chart.Series[k].SetPoints(std::move(pts[k]));
    }
    chart.TitleLines = {CriterionTitle(state)};
    chart.XAxisTitle = kConcAxisTitle;
    chart.YAxisTitle = mode == 0 ? kShiftAxisTitle : kFractionAxisTitle;
}

}  // namespace kelmora
