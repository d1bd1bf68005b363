#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "counts/AnswerForms.h"
#include "model/FitModel.h"

// What the model expects of each item within each total, as the summed-
// score item fit compares it with the subjects:
//   E(i, s, k) = Σ_q w_q P_ik(θ_q) f₋ᵢ(s − k | θ_q) / Σ_q w_q f(s | θ_q),
// the share of those with total s who answer item i in category k, where
// f is the distribution of the total and f₋ᵢ that of the total without
// item i, both over categories 0 … K − 1. It is 0 where no point of the
// latent distribution gives the total any probability.
class ItemExpectation {
public:
    ItemExpectation() = default;
    ItemExpectation(int items, int categories);

    int items() const { return items_; }
    int categories() const { return categories_; }
    std::size_t totals() const { return totals_; }
    double at(int item, std::size_t total, int category) const
    {
        return shares_[(static_cast<std::size_t>(item) * totals_ + total) * categories_ + category];
    }

private:
    friend bool ExpectItemCategories(const FitModel&, ItemExpectation&, int,
                                     const std::function<bool(double)>&, double);
    friend bool ExpectFormCategories(const FitModel&, const AnswerForms&, int,
                                     const std::function<void(std::size_t, const ItemExpectation&)>&,
                                     const std::function<bool(double)>&);
    int items_ = 0, categories_ = 0;
    std::size_t totals_ = 0;
    std::vector<double> shares_;  // by item, then total, then category
};

// Works out the expectation of the model's items over its latent
// distribution, on up to threads threads, with the same bits on any number
// of them. Every f₋ᵢ keeps its relative accuracy in the far tails and where
// a probability is within a hair of 0 or 1: a binary item is divided out
// of f in whichever direction is sound at each total, polytomous items are
// left out by halving the test, with sums of products alone. Work per
// point of the latent distribution: about 10 m² vector steps for binary
// items, m²(K − 1)² log₂ m for polytomous ones; equal abilities count once.
// progress hears the share done from time to time and may return false to
// stop, which returns false and leaves expectation as it was. The workers'
// sums take at most scratch bytes together when it is given, else about
// as much as one thread needs, within bounds; the items are worked through
// in parts to that end. Storage that cannot be had throws std::bad_alloc.
bool ExpectItemCategories(const FitModel& model, ItemExpectation& expectation, int threads,
                          const std::function<bool(double)>& progress = {}, double scratch = 0);

// The same for each form of a run with answers missing, over the form's
// items in their order (AnswerForm::items), by the form's own totals:
// P(x_i = k | T_A = t) for the items i of form A. Each form has the bits
// ExpectItemCategories gives a model of its items, on any number of
// threads.
bool ExpectFormCategories(const FitModel& model, const AnswerForms& forms, std::vector<ItemExpectation>& expectation,
                          int threads, const std::function<bool(double)>& progress = {});
// The same handed to use(form, its expectation) form by form, in order,
// none of them kept.
bool ExpectFormCategories(const FitModel& model, const AnswerForms& forms, int threads,
                          const std::function<void(std::size_t, const ItemExpectation&)>& use,
                          const std::function<bool(double)>& progress = {});
