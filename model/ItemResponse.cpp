#include "model/ItemResponse.h"

#include <algorithm>
#include <limits>

double BoundaryProbability(double a, double theta, double b)
{
    return Logistic(a * (theta - b));
}

void GradedCategoryProbabilities(double a, double theta, const float* thresholds,
                                 int thresholdCount, double* p)
{
    // The boundaries' exponentials all at once, then as BoundaryProbability.
    for (int k = 0; k < thresholdCount; ++k)
        p[k] = a * (theta - thresholds[k]);
    Exponentials(p, static_cast<std::size_t>(std::max(thresholdCount, 0)));
    double above = 1.0;  // P*_0
    for (int k = 0; k < thresholdCount; ++k) {
        const double next = LogisticOf(p[k]);
        p[k] = above - next;
        above = next;
    }
    p[thresholdCount] = above;  // P*_(K-1) - P*_K with P*_K = 0
}

void PartialCreditProbabilities(double a, double theta, const float* steps, int stepCount,
                                double* p)
{
    // p holds z_k, then e^z_k, then the probabilities.
    const auto exponents = [&] {
        double z = 0.0;
        p[0] = 0.0;
        for (int k = 1; k <= stepCount; ++k) {
            z += a * (theta - static_cast<double>(steps[k - 1]));
            p[k] = z;
        }
    };
    exponents();
    p[0] = 1.0;  // e^0, exactly
    Exponentials(p + 1, static_cast<std::size_t>(std::max(stepCount, 0)));
    double sum = 1.0;
    for (int k = 1; k <= stepCount; ++k)
        sum += p[k];
    if (sum <= std::numeric_limits<double>::max()) {
        for (int k = 0; k <= stepCount; ++k)
            p[k] /= sum;
        return;
    }
    // Overflow: take every exponent relative to the largest instead. Same
    // probabilities up to rounding, and finite.
    exponents();
    double shift = p[0];
    for (int k = 1; k <= stepCount; ++k)
        shift = std::max(shift, p[k]);
    for (int k = 0; k <= stepCount; ++k)
        p[k] -= shift;
    Exponentials(p, static_cast<std::size_t>(stepCount) + 1);
    sum = 0.0;
    for (int k = 0; k <= stepCount; ++k)
        sum += p[k];
    for (int k = 0; k <= stepCount; ++k)
        p[k] /= sum;
}
