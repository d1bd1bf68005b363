#pragma once

#include <cstddef>

// Number-correct distribution of m independent binary items (Lord-Wingersky):
// from the m probabilities of a correct response, f(0) ... f(m) into f;
// work provides NumberCorrectWorkSize(m) further doubles of scratch.
void NumberCorrectDistribution(const double* P, int m, double* f, double* work);
std::size_t NumberCorrectWorkSize(int m);

// Distribution of the total score of m independent items with K categories
// each. P holds the items' category probabilities item by item (m x K);
// f receives the R = m(K - 1) + 1 probabilities of the totals m ... mK, and
// work provides TotalScoreWorkSize(m, K) further doubles of scratch.
void TotalScoreDistribution(const double* P, int m, int K, double* f, double* work);
std::size_t TotalScoreWorkSize(int m, int K);

// sum[s] += weight * f[s] for s below count.
void AddWeighted(double* sum, double weight, const double* f, std::size_t count);

// NumberCorrectDistribution for eight abilities at once, one in each lane:
// P holds m x 8 probabilities (item by item, lane by lane within), f gets
// (m + 1) x 8 totals (score by score, lane by lane within), each lane with
// the bits of NumberCorrectDistribution.
constexpr std::size_t kNumberCorrectLanes = 8;
void NumberCorrectLanes(const double* P, int m, double* f);
// Doubles of storage for f and P together.
std::size_t NumberCorrectLanesSize(int m);
