#include "kernels/ScoreDistribution.h"

#include <algorithm>

#include "kernels/VectorKernels.h"
#include "kernels/VectorPath.h"

void NumberCorrectDistribution(const double* P, int m, double* f, double* work)
{
    ActiveKernels().numberCorrect(P, m, f, work);
}

std::size_t NumberCorrectWorkSize(int m)
{
    return 2 * (static_cast<std::size_t>(std::max(m, 0)) + 1 + kLanes);
}

void TotalScoreDistribution(const double* P, int m, int K, double* f, double* work)
{
    ActiveKernels().totalScore(P, m, K, f, work);
}

std::size_t TotalScoreWorkSize(int m, int K)
{
    const std::size_t R = static_cast<std::size_t>(std::max(m, 1)) * (std::max(K, 1) - 1) + 1;
    // Two rows, each with K - 1 zeros before it and room for a vector of
    // totals past its end.
    return 2 * (R + static_cast<std::size_t>(std::max(K, 1)) + kLanes);
}

void NumberCorrectLanes(const double* P, int m, double* f)
{
    static_assert(kNumberCorrectLanes == kLanes);
    ActiveKernels().numberCorrectLanes(P, m, f);
}

std::size_t NumberCorrectLanesSize(int m)
{
    return (2 * static_cast<std::size_t>(std::max(m, 0)) + 1) * kNumberCorrectLanes;
}

void AddWeighted(double* sum, double weight, const double* f, std::size_t count)
{
    ActiveKernels().addWeighted(sum, weight, f, count);
}
