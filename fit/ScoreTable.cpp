#include "fit/ScoreTable.h"

double ChiSquareOverScores(const std::vector<double>& observed, const std::vector<double>& expected)
{
    double sum = 0.0;
    for (std::size_t s = 0; s < observed.size(); ++s)
        if (expected[s] > 0.0) {
            const double d = observed[s] - expected[s];
            sum += d * d / expected[s];
        }
    return sum;
}
