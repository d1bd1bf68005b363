#pragma once

#include <cstddef>

// Latent points side by side in the kernels that take several at once:
// value v of point l sits at [v * kLanes + l].
constexpr std::size_t kLanes = 8;

// The hot loops of one vector path (see VectorPath.h). The contracts of the
// first four are those of ScoreDistribution.h; the others work on kLanes
// points side by side.
struct VectorKernels {
    void (*numberCorrect)(const double* P, int m, double* f, double* work);
    void (*totalScore)(const double* P, int m, int K, double* f, double* work);
    void (*numberCorrectLanes)(const double* P, int m, double* f);
    void (*addWeighted)(double* sum, double weight, const double* f, std::size_t count);
    // values[k] = e^values[k], with Exp's bits (Exponential.h).
    void (*exponentials)(double* values, std::size_t count);
    // The category probabilities of m items at theta, item by item (K
    // each) into P, from the discriminations a and the boundaries b (K − 1
    // rows of m): graded from thresholds, partial credit from steps, with
    // the bits of working out each item alone. A partial credit item whose
    // exponentials overflow gets NaN as its first probability, for the
    // caller to work out apart; true when one did. scratch holds K vectors.
    void (*gradedCategories)(const float* a, const float* b, int m, int K, double theta, double* P);
    bool (*partialCreditCategories)(const float* a, const float* b, int m, int K, double theta, double* P,
                                    double* scratch);

    // c (la + lb − 1 totals) = a convolved with b; each total gathers its
    // terms in increasing order of b's index.
    void (*convolve)(const double* a, std::size_t la, const double* b, std::size_t lb, double* c);
    // sums(k, r + k) += share(k) without(r) for every category k of one
    // item, r below width; sums holds K rows of R totals.
    void (*accumulate)(const double* share, int K, const double* without, std::size_t width, double* sums,
                       std::size_t R);
    // Two items side by side, whose distribution without both is out: each
    // one's distribution without it is out convolved with the other's
    // categories, and goes into its sums as accumulate does.
    void (*accumulatePair)(const double* out, std::size_t width, const double* Pi, const double* Pj,
                           const double* shareI, const double* shareJ, int K, double* sumsI, double* sumsJ,
                           std::size_t R);
    // Binary items taken out of the distribution f of all m items: for
    // each of the count items whose probabilities P holds, adds weight
    // P(x_i = k) f₋ᵢ(s − k) into its sums (2 rows of m + 1 totals each);
    // scratch holds 4(m + 1) lanes. An item's sums do not
    // depend on which others are taken with it.
    void (*divideOut)(const double* f, std::size_t m, std::size_t count, const double* P, const double* weight,
                      double* sums, double* scratch);

    // sums(a, b) += weight P(a) P(b) for every category a of the first
    // rows items and b of a later item; P holds items x K probabilities of
    // one point, sums the rows of a, each holding the b of the items after
    // a's, one row after the other.
    void (*addProducts)(const double* P, std::size_t items, std::size_t K, std::size_t rows, double weight,
                        double* sums);
};

// Each path's table; those this build does not hold are not declared.
const VectorKernels& BaselineKernels();
#if defined(TALVER_X86_PATHS)
const VectorKernels& Avx2Kernels();
const VectorKernels& Avx512Kernels();
#endif
