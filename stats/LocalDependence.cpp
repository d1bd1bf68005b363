#include "stats/LocalDependence.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "stats/FitSummary.h"
#include "stats/FlagLevel.h"
#include "stats/ItemFit.h"

LocalDependence::Pair PairStatistic(const std::vector<double>& observed, const std::vector<double>& expected,
                                    double N, int K)
{
    LocalDependence::Pair pair;
    double direction = 0.0;
    for (int k = 0; k < K; ++k)
        for (int l = 0; l < K; ++l) {
            const std::size_t cell = static_cast<std::size_t>(k) * K + l;
            const double o = observed[cell], e = expected[cell];
            if (e > 0.0)
                pair.x2 += (o - e) * (o - e) / e;
            direction += static_cast<double>(k) * l * (o - e);
        }
    pair.df = (K - 1) * (K - 1);
    pair.p = ChiSquareUpperTail(pair.x2, pair.df);
    pair.sign = (direction > 0.0) - (direction < 0.0);
    pair.v = N > 0.0 && K > 1 ? std::sqrt(pair.x2 / (N * (K - 1))) : 0.0;
    return pair;
}

LocalDependence ComputeLocalDependence(const PairCounts& observed, const PairExpectation& expected)
{
    LocalDependence result;
    const int m = observed.items(), K = observed.categories();
    result.answersMissing = observed.answersMissing();
    result.subjects = static_cast<double>(observed.subjects());
    std::vector<double> o(static_cast<std::size_t>(K) * K), e(o.size()), p;
    for (int i = 0; i < m; ++i)
        for (int j = i + 1; j < m; ++j) {
            const double N = static_cast<double>(observed.both(i, j));
            for (int k = 0; k < K; ++k)
                for (int l = 0; l < K; ++l) {
                    o[static_cast<std::size_t>(k) * K + l] = static_cast<double>(observed.count(i, j, k, l));
                    e[static_cast<std::size_t>(k) * K + l] = N * expected.at(i, j, k, l);
                }
            LocalDependence::Pair pair = N > 0.0 || !result.answersMissing ? PairStatistic(o, e, N, K)
                                                                            : LocalDependence::Pair();
            pair.first = i + 1;
            pair.second = j + 1;
            pair.both = N;
            pair.together = N > 0.0 || !result.answersMissing;
            pair.df = (K - 1) * (K - 1);
            if (pair.together)
                p.push_back(pair.p);
            result.pairs.push_back(pair);
        }
    const std::vector<double> adjusted = AdjustBenjaminiHochberg(p);
    std::size_t next = 0;
    for (LocalDependence::Pair& pair : result.pairs)
        if (pair.together) {
            pair.pAdjusted = adjusted[next++];
            pair.flagged = pair.pAdjusted < kFlagLevel;
        }
    return result;
}

std::vector<std::size_t> LargestPairs(const LocalDependence& dependence, std::size_t count)
{
    const std::vector<LocalDependence::Pair>& pairs = dependence.pairs;
    std::vector<std::size_t> order(pairs.size());
    std::iota(order.begin(), order.end(), 0);
    // Pairs never answered together have no X² to rank.
    const auto x2 = [&](std::size_t k) { return pairs[k].together ? pairs[k].x2 : -1.0; };
    // Only the largest are wanted: no need to order the rest.
    const std::size_t shown = std::min(order.size(), count);
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(shown), order.end(),
                      [&](std::size_t a, std::size_t b) { return x2(a) > x2(b) || (!(x2(b) > x2(a)) && a < b); });
    order.resize(shown);
    return order;
}
