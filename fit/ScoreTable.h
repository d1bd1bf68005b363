#pragma once

#include <cstdint>
#include <vector>

// The per-score table a fit engine hands to the report writer.
// Row k stands for the score firstScore + k.
struct ScoreTable {
    std::int32_t firstScore = 0;
    std::vector<double> observed;  // whole numbers
    std::vector<double> expected;
    double chiSquare = 0.0;

    std::int32_t rowCount() const { return static_cast<std::int32_t>(observed.size()); }
};

// The chi-square over every score the model expects anyone at: the sum of
// (observed − expected)² / expected over the rows whose expected is above
// 0, in row order.
double ChiSquareOverScores(const std::vector<double>& observed, const std::vector<double>& expected);
