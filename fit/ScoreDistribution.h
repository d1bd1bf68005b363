#pragma once

#include <cstddef>

// Number-correct distribution of m independent binary items (Lord-Wingersky):
// from the m probabilities of a correct response, f(0) ... f(m) into f.
void NumberCorrectDistribution(const double* P, int m, double* f);

// Distribution of the total score of m independent items with K categories
// each. P holds the items' category probabilities item by item (m x K);
// f receives the R = m(K - 1) + 1 probabilities of the totals m ... mK, and
// work provides R further doubles of scratch.
void TotalScoreDistribution(const double* P, int m, int K, double* f, double* work);
