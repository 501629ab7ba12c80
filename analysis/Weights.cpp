#include "analysis/Weights.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kelmora::analysis {
namespace {

constexpr int MaxRounds = 100;
constexpr double SdTolerance = 1e-8;
// A signal fitted exactly would take all the weight; its sd is kept above this share of the
// largest.
constexpr double SdFloor = 1e-6;
// Residual RMS that differ by more than this factor are different noise, not chance.
constexpr double NoiseRatio = 3.0;

// Over each signal's observations in the fit (a guest signal has none at C = 0).
Eigen::VectorXd ResidualRms(const Eigen::MatrixXd& residuals, const Eigen::RowVectorXd& count) {
    return (residuals.colwise().squaredNorm().array() / count.array()).cwiseSqrt().transpose();
}

}  // namespace

Eigen::VectorXd SignalSd(const TLayout& layout, const TFitData& data) {
    Eigen::VectorXd sd = Eigen::VectorXd::Ones(data.Shifts.cols());
    TFitOutcome fit = FitFromLattice(layout, data).Best;
    for (int round = 0; round < MaxRounds; ++round) {
        const TFitData scaled = ScaledData(data, sd);
        if (round > 0) {
            fit = FitFrom(layout, scaled, fit.Values);
        }
        Eigen::MatrixXd residuals;
        SolveLinear(layout, scaled, fit.Values, &residuals);
        Eigen::VectorXd next = sd.cwiseProduct(ResidualRms(residuals, data.Used.colwise().sum()));
        next = next.cwiseMax(SdFloor * next.maxCoeff());
        const double change = (next.array() / sd.array() - 1.0).abs().maxCoeff();
        sd = next;
        if (!(change > SdTolerance)) {
            break;
        }
    }
    return sd;
}

TFitData ScaledData(TFitData data, const Eigen::VectorXd& sd) {
    for (Eigen::Index s = 0; s < data.Shifts.cols(); ++s) {
        data.Shifts.col(s) /= sd[s];
    }
    return data;
}

void Unscale(TModelResult& r, const TLayout& layout, const Eigen::VectorXd& sd) {
    const auto scale = [](std::optional<TInterval>& i, double f) {
        if (i) {
            *i = TInterval{i->Lo * f, i->Hi * f};
        }
    };
    for (int s = 0; s < layout.Signals; ++s) {
        const double f = sd[s];
        for (int column = 0; column < layout.PerSignal; ++column) {
            const auto i = static_cast<std::size_t>(layout.LinearIndex(s, column));
            TParamResult& p = r.Params[i];
            p.Value *= f;
            if (p.Se) {
                *p.Se *= f;
            }
            scale(p.Ci95, f);
            scale(p.Mc95, f);
            for (std::size_t j = 0; j < r.Params.size(); ++j) {
                r.Covariance[i][j] *= f;
                r.Covariance[j][i] *= f;
            }
            for (std::vector<double>& replicate : r.ReplicateValues) {
                replicate[i] *= f;
            }
        }
        for (std::vector<double>& row : r.Residuals) {
            row[static_cast<std::size_t>(s)] *= f;
        }
        TSignalShifts& shifts = r.Best.Signals[static_cast<std::size_t>(s)];
        for (double& shift : shifts.Species) {
            shift *= f;
        }
        shifts.K *= f;
    }
}

std::string NoiseNote(const TModelResult& r, const std::vector<std::string>& signalNames) {
    const auto signals = static_cast<Eigen::Index>(signalNames.size());
    if (signals < 2 || r.Residuals.empty()) {
        return "";
    }
    Eigen::MatrixXd residuals(static_cast<Eigen::Index>(r.Residuals.size()), signals);
    for (std::size_t i = 0; i < r.Residuals.size(); ++i) {
        residuals.row(static_cast<Eigen::Index>(i)) =
            Eigen::Map<const Eigen::RowVectorXd>(r.Residuals[i].data(), signals);
    }
    const Eigen::VectorXd rms = ResidualRms(
        residuals, Eigen::RowVectorXd::Constant(signals, static_cast<double>(residuals.rows())));
    std::string names;
    for (Eigen::Index s = 0; s < signals; ++s) {
        const double others =
            std::sqrt((rms.squaredNorm() - rms[s] * rms[s]) / static_cast<double>(signals - 1));
        if (rms[s] > NoiseRatio * others || others > NoiseRatio * rms[s]) {
            char text[64];
            std::snprintf(text, sizeof text, " %.2g", rms[s]);
            names += (names.empty() ? "" : ", ") + signalNames[static_cast<std::size_t>(s)] + text;
        }
    }
    if (names.empty()) {
        return "";
    }
    return "Signals of different noise (residual RMS, ppm): " + names +
           "; weighting per signal gives each its own.";
}

}  // namespace kelmora::analysis
