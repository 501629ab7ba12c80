#include "engine/FractionCache.h"

#include <bit>

namespace kelmora {

namespace {

inline bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

}  // namespace

void TFractionCache::Resize(std::size_t pointCount) {
    for (TFractionSet& s : slots_) {
        s.Valid = false;
        s.Conc.resize(pointCount);
        s.Alpha1.resize(pointCount);
        s.Alpha2.resize(pointCount);
    }
    next_ = 0;
}

const TFractionSet* TFractionCache::Find(double lgK1, double lgK2, double p0,
                                         const std::vector<TDataPoint>& points) const {
    for (const TFractionSet& s : slots_) {
        if (!s.Valid || !SameBits(s.LgK1, lgK1) || !SameBits(s.LgK2, lgK2) || !SameBits(s.P0, p0) ||
            s.Conc.size() != points.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t j = 0; j < points.size() && same; ++j) {
            same = SameBits(s.Conc[j], points[j].Conc);
        }
        if (same) {
            return &s;
        }
    }
    return nullptr;
}

TFractionSet& TFractionCache::Claim(double lgK1, double lgK2, double p0) {
    TFractionSet& s = slots_[next_];
    next_ = (next_ + 1) % SlotCount;
    s.Valid = false;
    s.LgK1 = lgK1;
    s.LgK2 = lgK2;
    s.P0 = p0;
    return s;
}

void TFractionCache::Commit(TFractionSet& set, const TChemSystem& system) {
    set.LastTotalL = system.TotalL;
    set.LastComplex[0] = system.Complex[0];
    set.LastComplex[1] = system.Complex[1];
    set.Valid = true;
}

}  // namespace kelmora
