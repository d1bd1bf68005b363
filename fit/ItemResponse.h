#pragma once

// Item response functions, in double precision.

#include <cmath>

// e^z / (1 + e^z), the same bits as that formula wherever e^z is finite,
// and 1 where e^z overflows (the formula would give inf / inf). Inline: the
// engines take it for every item at every node.
constexpr double kLargestFiniteExp = 709.0;
inline double Logistic(double z)
{
    if (z > kLargestFiniteExp)
        return 1.0;
    const double e = std::exp(z);
    return e / (1.0 + e);
}

// P = c + (1 - c) e^z / (1 + e^z) with z = D a (theta - b).
inline double ItemResponseProbability(double theta, double a, double b, double c, double D)
{
    return c + (1.0 - c) * Logistic(D * a * (theta - b));
}

// e^x / (1 + e^x) with x = a (theta - b): the probability of a response
// above a category boundary of the graded response model.
double BoundaryProbability(double a, double theta, double b);

// The K = thresholdCount + 1 category probabilities of a graded item at
// theta, into p. Thresholds are used in the order given, unverified.
void GradedCategoryProbabilities(double a, double theta, const float* thresholds,
                                 int thresholdCount, double* p);

// The K = stepCount + 1 category probabilities of a partial-credit item at
// theta, into p.
void PartialCreditProbabilities(double a, double theta, const float* steps, int stepCount,
                                double* p);
