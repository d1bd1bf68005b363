#include "stats/FitSummary.h"

#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <cstdio>

namespace {

FitSummary::Cell join(const std::vector<FitSummary::Score>& scores, std::size_t first, std::size_t last)
{
    FitSummary::Cell cell{scores[first].score, scores[last].score, 0.0, 0.0};
    for (std::size_t k = first; k <= last; ++k) {
        cell.observed += scores[k].observed;
        cell.expected += scores[k].expected;
    }
    return cell;
}

std::vector<FitSummary::Cell> pool(const std::vector<FitSummary::Score>& scores, double minExpected)
{
    const std::size_t n = scores.size();
    if (n == 0)
        return {};
    // The tails: as few scores from each end as reach the minimum.
    std::size_t left = 0;
    double sum = scores[0].expected;
    while (sum < minExpected && left + 1 < n)
        sum += scores[++left].expected;
    std::size_t right = n - 1;
    sum = scores[right].expected;
    while (sum < minExpected && right > 0)
        sum += scores[--right].expected;
    if (right <= left)
        return {join(scores, 0, n - 1)};

    // Between them, scores stand alone when they expect enough; the others
    // gather with the scores after them, the last leftovers with the tail.
    std::vector<FitSummary::Cell> cells{join(scores, 0, left)};
    std::size_t start = left + 1;
    double pending = 0.0;
    for (std::size_t k = left + 1; k < right; ++k) {
        pending += scores[k].expected;
        if (pending >= minExpected) {
            cells.push_back(join(scores, start, k));
            start = k + 1;
            pending = 0.0;
        }
    }
    cells.push_back(join(scores, start, n - 1));
    return cells;
}

}  // namespace

std::string PoolingRule(double minExpected)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "adjacent scores merged from each tail inwards until every cell expects at least %g subjects",
                  minExpected);
    return text;
}

double ChiSquareUpperTail(double x, int df)
{
    if (df <= 0)
        return 1.0;
    if (!(x > 0.0))
        return 1.0;
    return boost::math::gamma_q(df / 2.0, x / 2.0);
}

FitSummary SummarizeFit(const ScoreTable& table, double minExpected)
{
    FitSummary summary;
    summary.chiSquare = table.chiSquare;
    summary.minExpected = minExpected;
    for (std::int32_t k = 0; k < table.rowCount(); ++k) {
        const double o = table.observed[k], e = table.expected[k];
        const bool positive = e > 0.0;
        summary.scores.push_back({table.firstScore + k, o, e, positive ? (o - e) * (o - e) / e : 0.0,
                                  positive ? (o - e) / std::sqrt(e) : 0.0});
    }
    summary.cells = pool(summary.scores, minExpected);
    for (const FitSummary::Cell& cell : summary.cells) {
        if (cell.expected > 0.0) {
            const double d = cell.observed - cell.expected;
            summary.pooledChiSquare += d * d / cell.expected;
            if (cell.observed > 0.0)
                summary.likelihoodRatio += 2.0 * cell.observed * std::log(cell.observed / cell.expected);
        }
    }
    if (summary.testable()) {
        summary.degreesOfFreedom = static_cast<int>(summary.cells.size()) - 1;
        summary.pooledP = ChiSquareUpperTail(summary.pooledChiSquare, summary.degreesOfFreedom);
        summary.likelihoodRatioP = ChiSquareUpperTail(summary.likelihoodRatio, summary.degreesOfFreedom);
    }
    return summary;
}
