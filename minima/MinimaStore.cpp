#include "minima/MinimaStore.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "util/NumberText.h"

namespace kelmora {

namespace {

std::string LineText(int number, double q, int decimals) {
    return std::to_string(number) + ": Q=" + FormatFixed(q, decimals);
}

bool Concur(const TParamVector& a, const TParamVector& b, double tolerance) {
    for (int k = 0; k < ParamCount; ++k) {
        // Written as "not within" so that a NaN anywhere means the two do not concur.
        if (!(std::fabs(a[k] - b[k]) <= tolerance)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool operator==(const TFoundMinimum& a, const TFoundMinimum& b) {
    const auto same = [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); };
    return same(a.Q, b.Q) && std::equal(a.Params.begin(), a.Params.end(), b.Params.begin(), same);
}

TMinimaStore::TMinimaStore() : Minima_(MaxMinima) {}

const TFoundMinimum& TMinimaStore::Minimum(int index) const {
    if (index < 0 || index >= Count_) {
        throw std::out_of_range("minimum index out of range");
    }
    return Minima_[std::size_t(index)];
}

void TMinimaStore::Clear() {
    Count_ = 0;
}

void TMinimaStore::Reset() {
    Clear();
    BestQ_ = NoBestQ;
    DroppedCount_ = 0;
}

void TMinimaStore::Restore(std::span<const TFoundMinimum> minima, double bestQ, int droppedCount) {
    Count_ = static_cast<int>(std::min(minima.size(), Minima_.size()));
    std::copy_n(minima.begin(), Count_, Minima_.begin());
    BestQ_ = bestQ;
    DroppedCount_ = droppedCount;
}

TAddResult TMinimaStore::AddMinimum(const TParamVector& params, double q) {
    if (Count_ >= MaxMinima) {
        ++DroppedCount_;
        return {};
    }
    Minima_[std::size_t(Count_)] = {params, q};
    ++Count_;
    TAddResult result{true, false};
    if (q < BestQ_ || std::isnan(q)) {
        BestQ_ = q;
        result.NewBest = true;
    }
    return result;
}

void TMinimaStore::RemoveAbove(double threshold) {
    std::vector<bool> keep(static_cast<std::size_t>(Count_));
    for (int i = 0; i < Count_; ++i) {
        keep[std::size_t(i)] = !(Minima_[std::size_t(i)].Q > threshold);
    }
    Compact(keep);
}

void TMinimaStore::RemoveConcurring(double tolerance) {
    std::vector<bool> keep(static_cast<std::size_t>(Count_), true);
    for (int i = 0; i + 1 < Count_; ++i) {
        const TFoundMinimum& a = Minima_[std::size_t(i)];
        for (int j = i + 1; j < Count_ && keep[std::size_t(i)]; ++j) {
            const TFoundMinimum& b = Minima_[std::size_t(j)];
            if (!keep[std::size_t(j)] || !Concur(a.Params, b.Params, tolerance)) {
                continue;
            }
            if (a.Q >= b.Q) {
                keep[std::size_t(i)] = false;
            } else {
                keep[std::size_t(j)] = false;
            }
        }
    }
    Compact(keep);
}

void TMinimaStore::Compact(const std::vector<bool>& keep) {
    int kept = 0;
    for (int i = 0; i < Count_; ++i) {
        if (keep[std::size_t(i)]) {
            Minima_[std::size_t(kept)] = Minima_[std::size_t(i)];
            ++kept;
        }
    }
    Count_ = kept;
}

std::string TMinimaStore::AddedLineText(int index) const {
    return LineText(index + 1, Minimum(index).Q, 6);
}

std::string TMinimaStore::ParamsText(int index) const {
    const TFoundMinimum& m = Minimum(index);
    std::string text;
    for (int k = 0; k < ParamCount; ++k) {
        text += (k > 0 ? "\n" : "") + std::string(ParamRowLabels[k]) + " = " +
                FormatGeneral(m.Params[std::size_t(k)]);
    }
    return text;
}

std::vector<std::string> TMinimaStore::RebuildLineTexts() const {
    std::vector<std::string> lines;
    lines.reserve(std::size_t(Count_));
    for (int i = 0; i < Count_; ++i) {
        lines.push_back(LineText(i + 1, Minima_[std::size_t(i)].Q, 4));
    }
    return lines;
}

std::string TMinimaStore::BestMinLabelText() const {
    return "Best minima: " + FormatGeneral(BestQ_);
}

std::string TMinimaStore::DroppedLabelText() const {
    if (DroppedCount_ == 0) {
        return {};
    }
    return "Not stored (list full): " + std::to_string(DroppedCount_);
}

}  // namespace kelmora
