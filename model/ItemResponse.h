#pragma once

// Item response functions, in double precision.

#include <limits>

#include "kernels/Exponential.h"

// e / (1 + e) for e = e^z: the logistic function of z, the same bits as
// that formula wherever e^z is finite, and 1 where it overflows (the
// formula would give inf / inf; where e^z is finite but 1 + e^z rounds to
// it, the formula gives 1 too). Apart from Exp so that callers can take
// many exponentials at once.
inline double LogisticOf(double e)
{
    return e == std::numeric_limits<double>::infinity() ? 1.0 : e / (1.0 + e);
}

inline double Logistic(double z) { return LogisticOf(Exp(z)); }

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
