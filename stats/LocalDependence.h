#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "counts/PairCounts.h"
#include "model/PairExpectation.h"

// Which pairs of items depend on each other beyond what the model allows:
// the local dependence X² of every pair (Chen and Thissen).
struct LocalDependence {
    struct Pair {
        int first = 0, second = 0;  // items from 1, first < second
        double x2 = 0.0;
        int df = 0;
        double p = 1.0, pAdjusted = 1.0;
        int sign = 0;      // 1: the pair goes together more than the model says
        double v = 0.0;    // Cramér's V
        bool flagged = false;  // adjusted p below 0.05
        double both = 0.0;     // N: the subjects counted who answered both
        // Some subject answered both; else the figures above mean nothing
        // (none, where written) and the pair is left out of the adjustment.
        bool together = true;
    };
    bool answersMissing = false;  // counted so: each pair has its own N
    double subjects = 0.0;
    std::vector<Pair> pairs;  // by first, then second
    std::vector<std::string> names;  // of the items, when a table names them; else empty

    // The item's name, or its number when it has none.
    std::string nameOf(int item) const
    {
        return names.empty() ? std::to_string(item) : names[static_cast<std::size_t>(item - 1)];
    }
    std::size_t flaggedCount() const
    {
        return static_cast<std::size_t>(
            std::count_if(pairs.begin(), pairs.end(), [](const Pair& pair) { return pair.flagged; }));
    }
};

// Where the pair of items first < second (from 1) of a test of items items
// stands in LocalDependence::pairs.
inline std::size_t PairPosition(int first, int second, int items)
{
    const std::size_t a = static_cast<std::size_t>(first - 1), m = static_cast<std::size_t>(items);
    return a * m - a * (a + 1) / 2 + static_cast<std::size_t>(second - first - 1);
}

// The positions of the count pairs with the largest X², largest first,
// ties in pair order; pairs never answered together last.
std::vector<std::size_t> LargestPairs(const LocalDependence& dependence, std::size_t count);
// How many the text table and the report list.
constexpr std::size_t kListedPairs = 20;

// For items i < j, O(k, l) the subjects with categories k and l and
// E(k, l) = N times the model's share: X² = Σ (O − E)² / E over the cells
// with E > 0, df = (K − 1)², p its chi-square upper tail, sign that of
// Σ k l (O − E), V = √(X² / (N (K − 1))), and p adjusted by Benjamini and
// Hochberg over all m(m − 1)/2 pairs. With answers missing, N is the pair's
// own: the subjects counted who answered both.
LocalDependence ComputeLocalDependence(const PairCounts& observed, const PairExpectation& expected);

// The statistic of one pair from its K x K observed and expected counts
// (row: the first item's category), over N subjects; p not adjusted.
LocalDependence::Pair PairStatistic(const std::vector<double>& observed, const std::vector<double>& expected,
                                    double N, int K);
