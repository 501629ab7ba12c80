#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/FitTypes.h"

namespace kelmora {

// One minimum a scan found: the six Values and the criterion the scan reported there.
struct TFoundMinimum {
    TParamVector Params{};
    double Q = 0.0;
    // Alike when every number is, NaN alike with NaN: a list that held one still holds it.
    friend bool operator==(const TFoundMinimum& a, const TFoundMinimum& b);
};

// What happened to a minimum offered to the list; converts to bool as "stored or not".
struct TAddResult {
    bool Stored = false;
    bool NewBest = false;  // BestQ took this Q, so the best-minimum label wants rewriting
    explicit operator bool() const { return Stored; }
};

// The found minima in the order the scan added them, with the best Q since the last reset and
// the two filters. Entry i is always line i of the window's list.
class TMinimaStore {
  public:
    static constexpr int MaxMinima = 4000;
    static constexpr double NoBestQ = 1e50;

    TMinimaStore();

    int Count() const { return Count_; }
    std::span<const TFoundMinimum> Minima() const { return {Minima_.data(), std::size_t(Count_)}; }
    // Entry 0..Count - 1; anything else is a programming error and throws std::out_of_range.
    const TFoundMinimum& Minimum(int index) const;
    double BestQ() const { return BestQ_; }
    // Minima turned away because the list was full, since the last reset.
    int DroppedCount() const { return DroppedCount_; }

    // Empties the entries only; BestQ and the dropped count stay.
    void Clear();
    // A new scan: no entries, BestQ 1e50, nothing dropped.
    void Reset();

    // A list as it was saved: its first MaxMinima entries, the best Q and the count of minima
    // turned away.
    void Restore(std::span<const TFoundMinimum> minima, double bestQ, int droppedCount);

    // Appends (params, q) unless the list is full; a full list only counts the loss and leaves
    // BestQ alone. q becomes BestQ when strictly lower, and a q that is not a number as well.
    TAddResult AddMinimum(const TParamVector& params, double q);

    // Drops the entries with Q strictly above the threshold; unordered comparisons keep theirs.
    void RemoveAbove(double threshold);
    // Thins out entries lying within the tolerance of each other in all six parameters, keeping
    // the lower Q (the later one on a tie). Greedy in entry order, so the result depends on it.
    void RemoveConcurring(double tolerance);

    // The line a fresh entry gets: "<n>: Q=" and Q to six decimals, n counting from 1.
    std::string AddedLineText(int index) const;
    // All lines after a filter, numbered from 1 again and with four decimals.
    std::vector<std::string> RebuildLineTexts() const;
    // The six Values of an entry, one "<name> = <value>" line each (general format), for the
    // tooltip of its line.
    std::string ParamsText(int index) const;
    // "Best minima: " and BestQ in the general format.
    std::string BestMinLabelText() const;
    // "Not stored (list full): N", or empty while nothing was dropped.
    std::string DroppedLabelText() const;

  private:
    // Moves the entries with keep[i] set down over the others, order preserved.
    void Compact(const std::vector<bool>& keep);

    std::vector<TFoundMinimum> Minima_;  // always MaxMinima long; the first Count_ are valid
    int Count_ = 0;
    double BestQ_ = NoBestQ;
    int DroppedCount_ = 0;
};

}  // namespace kelmora
