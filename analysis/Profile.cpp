#include "analysis/Profile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "analysis/Uncertainty.h"

namespace kelmora::analysis {
namespace {

// The first step away from the best value, in lg units; each further step doubles, so the
// walk reaches the search limit of a flat profile in a dozen steps.
constexpr double FirstStep = 0.05;
// How closely an end of the region is located, in lg units.
constexpr double EndTolerance = 1e-5;
constexpr int MaxEndSteps = 60;
constexpr double Nan = std::numeric_limits<double>::quiet_NaN();
constexpr double Huge = std::numeric_limits<double>::max();

struct TPoint {
    double X = 0.0;
    double Ss = 0.0;
    Eigen::VectorXd Values;
};

class TProfiler {
  public:
    TProfiler(const TLayout& layout, const TFitData& data, int k, double best, double cut,
              const std::vector<TFitOutcome>& others)
        : Held(layout), Data(data), K(k), Best(best), Cut(cut), Others(others) {
        Held.Fixed[static_cast<std::size_t>(k)] = true;
        Refit = !Held.FreeLgK().empty();
    }

    // One end of the region, walking from inside in the direction dir (+1 or -1); the points
    // inside widen Out's ranges. Every valley of the profile that dips under the cut holds a
    // minimum of SS, and the start search entered every basin: so a bump above the cut is no
    // end when another minimum under the cut lies beyond it, and the region is the hull of
    // both, however far apart.
    std::optional<double> End(TPoint inside, int dir, TProfile& out) {
        for (;;) {
            std::optional<TPoint> outside = Walk(inside, dir, out);
            if (!outside) {
                return std::nullopt;
            }
            const double end = Cross(inside, *outside, out);
            const TFitOutcome* next = nullptr;
            for (const TFitOutcome& m : Others) {
                const double x = m.Values[K];
                if (m.Ss <= Cut && dir * (x - end) > 0.0 &&
                    (next == nullptr || dir * (x - next->Values[K]) < 0.0)) {
                    next = &m;
                }
            }
            if (next == nullptr) {
                return end;
            }
            inside = TPoint{next->Values[K], next->Ss, next->Values};
            Widen(inside, out);
        }
    }

  private:
    // Steps of doubling length from `from` until the profile is outside the region; `from`
    // ends as the last point inside, and the point past it is returned. Nothing when the
    // search limit comes first.
    std::optional<TPoint> Walk(TPoint& from, int dir, TProfile& out) {
        const double stop = dir > 0 ? LgKMax(Held, K) : LgKMin(Held, K);
        double step = FirstStep;
        while (from.X != stop) {
            const double x =
                dir > 0 ? std::min(from.X + step, stop) : std::max(from.X - step, stop);
            TPoint p = At(x, from.Values, true);
            if (p.Ss > Cut) {
                return p;
            }
            Widen(p, out);
            from = std::move(p);
            step *= 2.0;
        }
        return std::nullopt;
    }

    // The end between the last point in and the first out: regula falsi with the Illinois
    // halving on sqrt(SS - best), which is nearly straight by the end since the profile is
    // nearly quadratic about the best fit. Each point keeps half the tolerance from the bracket's
    // ends, so that once the estimate has found the end the next point closes the bracket on it.
    // Outside ends as the closest point out.
    double Cross(TPoint inside, TPoint& outside, TProfile& out) {
        const double reach = std::sqrt(Cut - Best);
        const auto height = [&](const TPoint& p) {
            return std::sqrt(std::max(std::isfinite(p.Ss) ? p.Ss - Best : Huge, 0.0)) - reach;
        };
        // Where the line through the bracket's ends, their heights weighted, crosses zero.
        const auto crossing = [&](double wIn, double wOut) {
            const double fIn = wIn * height(inside);
            const double fOut = wOut * height(outside);
            return (inside.X * fOut - outside.X * fIn) / (fOut - fIn);
        };
        double wIn = 1.0;
        double wOut = 1.0;
        int kept = 0;
        for (int i = 0; i < MaxEndSteps && std::abs(outside.X - inside.X) > EndTolerance; ++i) {
            const double lo = std::min(inside.X, outside.X);
            const double hi = std::max(inside.X, outside.X);
            double x = crossing(wIn, wOut);
            if (!(lo < x && x < hi)) {
                x = 0.5 * (lo + hi);
            }
            x = std::clamp(x, lo + 0.5 * EndTolerance, hi - 0.5 * EndTolerance);
            // The other lg K start where the line between the nearest points in and out has
            // them: along a correlation they move in step with this one.
            const double t = (x - inside.X) / (outside.X - inside.X);
            TPoint p = At(x, inside.Values + t * (outside.Values - inside.Values), false);
            if (p.Ss <= Cut) {
                Widen(p, out);
                inside = std::move(p);
                wIn = 1.0;
                wOut *= kept == -1 ? 0.5 : 1.0;
                kept = -1;
            } else {
                outside = std::move(p);
                wOut = 1.0;
                wIn *= kept == 1 ? 0.5 : 1.0;
                kept = 1;
            }
        }
        // On so nearly straight a function the line through the bracket's ends crosses far
        // closer to the end than the bracket's middle.
        const double end = crossing(1.0, 1.0);
        return std::min(inside.X, outside.X) <= end && end <= std::max(inside.X, outside.X)
                   ? end
                   : 0.5 * (inside.X + outside.X);
    }

    // The profile at x: the other lg K refitted from the neighbour's value and, on the walk's
    // long steps, also from the start lattice, since the valley the neighbour lay in may end
    // while a deeper one opens elsewhere. A refit already inside the region decides the point
    // as any deeper valley would, so only a point that looks outside is searched for one.
    TPoint At(double x, const Eigen::VectorXd& start, bool search) {
        Held.FixedValues[K] = x;
        TPoint p;
        p.X = x;
        if (Refit) {
            TFitOutcome fit = FitFrom(Held, Data, start);
            if (search && fit.Ss > Cut) {
                // No finer than the whole model's own search saw the plane.
                const auto model = static_cast<int>(Held.FreeLgK().size()) + 1;
                TFitOutcome found = FitFromLattice(Held, Data, {}, {}, model).Best;
                if (found.Ss < fit.Ss) {
                    fit = std::move(found);
                }
            }
            p.Ss = fit.Ss;
            p.Values = std::move(fit.Values);
        } else {
            p.Values = start;
            p.Values[K] = x;
            p.Ss = SolveLinear(Held, Data, p.Values);
        }
        return p;
    }

    static void Widen(const TPoint& p, TProfile& out) {
        out.Min = out.Min.cwiseMin(p.Values);
        out.Max = out.Max.cwiseMax(p.Values);
    }

    TLayout Held;
    const TFitData& Data;
    int K;
    double Best;
    double Cut;
    const std::vector<TFitOutcome>& Others;
    bool Refit = false;
};

// The parameter's row and column of the covariance no longer hold: no SE, no interval.
void DropErrors(TModelResult& r, std::size_t i) {
    r.Params[i].Se.reset();
    r.Params[i].Ci95.reset();
    for (std::size_t j = 0; j < r.Params.size(); ++j) {
        r.Covariance[i][j] = r.Covariance[j][i] = Nan;
        r.Correlation[i][j] = r.Correlation[j][i] = Nan;
    }
}

std::string Lg(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", x);
    return text;
}

// "lgK2 > 3.76": what the profile says of a lg K.
std::string ProfileText(const TParamResult& p) {
    const TOpenInterval& i = *p.Profile95;
    if (i.Lo && i.Hi) {
        return p.Name + " in [" + Lg(*i.Lo) + ", " + Lg(*i.Hi) + "]";
    }
    if (i.Lo || i.Hi) {
        return p.Name + (i.Lo ? " > " + Lg(*i.Lo) : " < " + Lg(*i.Hi));
    }
    return p.Name + " anywhere in the search range";
}

}  // namespace

double ProfileCut(double ss, int dof) {
    return ss * (1.0 + F95(1, dof) / dof);
}

TProfile ProfileLgK(const TLayout& layout, const TFitData& data, const Eigen::VectorXd& best, int k,
                    double cut, const std::vector<TFitOutcome>& others) {
    Eigen::VectorXd values = best;
    const TPoint start{best[k], SolveLinear(layout, data, values), best};
    TProfiler profiler(layout, data, k, start.Ss, cut, others);
    TProfile out;
    out.Min = best;
    out.Max = best;
    out.Lo = profiler.End(start, -1, out);
    out.Hi = profiler.End(start, +1, out);
    return out;
}

std::vector<std::string> SetProfiles(TModelResult& r, const TLayout& layout, const TFitData& data,
                                     const Eigen::VectorXd& values,
                                     const std::vector<TFitOutcome>& others) {
    std::vector<TProfile> open;
    if (!r.Converged || r.Dof <= 0) {
        return {};
    }
    const double cut = ProfileCut(r.Ss, r.Dof);
    for (int k : layout.FreeLgK()) {
        TProfile profile = ProfileLgK(layout, data, values, k, cut, others);
        TParamResult& param = r.Params[static_cast<std::size_t>(k)];
        param.Profile95 = TOpenInterval{profile.Lo, profile.Hi};
        if (!param.Profile95->Closed()) {
            param.Determined = false;
            open.push_back(std::move(profile));
        }
    }
    std::vector<std::string> tied;
    for (std::size_t i = 0; i < r.Params.size(); ++i) {
        TParamResult& param = r.Params[i];
        const auto at = static_cast<Eigen::Index>(i);
        const bool moves = param.Ci95 && std::any_of(open.begin(), open.end(), [&](const auto& p) {
                               return p.Min[at] < param.Ci95->Lo || p.Max[at] > param.Ci95->Hi;
                           });
        if (moves || !param.Determined) {
            DropErrors(r, i);
        }
        if (moves && param.Determined) {
            if (param.Profile95) {
                tied.push_back(param.Name);
            } else {
                param.Determined = false;
            }
        }
    }
    return tied;
}

std::string UndeterminedNote(const TModelResult& r, const std::vector<std::string>& tied) {
    std::string names;
    for (const TParamResult& p : r.Params) {
        if (p.Fixed || p.Determined) {
            continue;
        }
        names += (names.empty() ? " " : ", ") + p.Name;
        if (p.Profile95) {
            names += " (" + std::string(p.AtLimit ? "at the limit, " : "") + ProfileText(p) + ")";
        }
    }
    std::string note = names.empty() ? "" : "Not determined by the data:" + names + ".";
    if (!tied.empty()) {
        note += note.empty() ? "" : " ";
        note += "No standard error, as it moves with an undetermined constant:";
        for (std::size_t i = 0; i < tied.size(); ++i) {
            note += (i > 0 ? ", " : " ") + tied[i];
        }
        note += ".";
    }
    return note;
}

}  // namespace kelmora::analysis
