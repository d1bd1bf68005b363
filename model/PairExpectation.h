#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "model/FitModel.h"

// What the model expects of every pair of items i ≠ j, as the local
// dependence statistic compares it with the subjects: the share
//   E(i, j, k, l) = Σ_q ŵ_q P_ik(θ_q) P_jl(θ_q)
// of the subjects expected to answer i in category k and j in category l,
// with the normalised weights ŵ_q = w_q / Σ w of the run's latent
// distribution; 0 everywhere when the weights sum to 0 or below.
class PairExpectation {
public:
    PairExpectation() = default;
    PairExpectation(int items, int categories);

    int items() const { return items_; }
    int categories() const { return categories_; }
    double at(int i, int j, int k, int l) const
    {
        if (i > j)
            return at(j, i, l, k);
        const std::size_t K = static_cast<std::size_t>(categories_), later = static_cast<std::size_t>(items_ - 1 - i);
        return shares_[rowsBefore(i) + (static_cast<std::size_t>(k) * later + static_cast<std::size_t>(j - i - 1)) * K +
                       static_cast<std::size_t>(l)];
    }

private:
    friend bool ExpectPairCategories(const FitModel&, PairExpectation&, int, const std::function<bool(double)>&, double);
    // Where item i's rows begin: K² for each pair of an earlier item.
    std::size_t rowsBefore(int i) const
    {
        const std::size_t n = static_cast<std::size_t>(i), K = static_cast<std::size_t>(categories_);
        return K * K * (n * static_cast<std::size_t>(items_ - 1) - n * (n - 1) / 2);
    }

    int items_ = 0, categories_ = 0;
    // For each item i, each category k: the later items' categories.
    std::vector<double> shares_;
};

// Works out the pair expectation of the model over its latent distribution
// on up to threads threads, with the same bits on any number of them: one
// product of each point's category probabilities with itself, (mK)²/2
// multiply-adds a point, equal abilities counted once. The workers' sums
// take at most scratch bytes when given, as for the item expectation. progress as for the
// item expectation; storage that cannot be had throws std::bad_alloc.
bool ExpectPairCategories(const FitModel& model, PairExpectation& expectation, int threads,
                          const std::function<bool(double)>& progress = {}, double scratch = 0);
