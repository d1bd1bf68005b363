#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fit/ScoreTable.h"

// What a researcher reads off a fit besides the reports' chi-square: each
// score's contribution and residual, and a pooled chi-square with degrees
// of freedom and p-value, and the likelihood ratio G², on cells whose
// expected frequencies are large enough for the chi-square distribution.
struct FitSummary {
    struct Score {
        std::int32_t score;
        double observed, expected;
        double contribution;  // (O - E)² / E; 0 where E is not positive
        double residual;      // (O - E) / √E; 0 where E is not positive
    };
    // Adjacent scores taken together.
    struct Cell {
        std::int32_t firstScore, lastScore;
        double observed, expected;
    };

    std::vector<Score> scores;
    double chiSquare = 0.0;  // as the reports have it, over every score
    double minExpected = 5.0;
    std::vector<Cell> cells;
    // Over the cells; df and p only when there are at least two cells.
    double pooledChiSquare = 0.0;
    double likelihoodRatio = 0.0;  // G² = 2 Σ O ln(O / E)
    int degreesOfFreedom = 0;
    double pooledP = 0.0, likelihoodRatioP = 0.0;
    bool testable() const { return cells.size() >= 2; }
};

// The rule the cells follow, in words, for the outputs to state.
std::string PoolingRule(double minExpected);

// Scores are merged from each tail inwards until every cell expects at
// least minExpected subjects; a sparse cell between the tails joins its
// neighbour. All in one cell when the whole table expects fewer.
FitSummary SummarizeFit(const ScoreTable& table, double minExpected = 5.0);

// P(X >= x) for a chi-square variable with df degrees of freedom.
double ChiSquareUpperTail(double x, int df);
