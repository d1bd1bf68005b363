#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "counts/AnswerForms.h"
#include "counts/ItemCodeCounts.h"
#include "model/ItemExpectation.h"

// Which items misfit: the summed-score item fit statistic S-X² of each
// item, on the subjects grouped by their total.
struct ItemFit {
    // Adjacent totals taken together, with their counts by category.
    struct Group {
        std::int32_t firstScore = 0, lastScore = 0;  // as the reports label totals
        double subjects = 0.0;
        std::vector<double> observed, expected;  // by category
        // The mean item score (category 0 … K − 1), for a chart; for binary
        // items the proportion correct.
        double observedMean() const;
        double expectedMean() const;
    };
    struct Item {
        int item = 0;  // from 1
        double sx2 = 0.0;
        int df = 0;
        double subjects = 0.0;  // counted who answered it: the N of its RMSEA
        std::optional<double> p, pAdjusted, rmsea;  // none where df ≤ 0
        bool flagged = false;                        // adjusted p below 0.05
        std::vector<Group> groups;                   // after merging
    };

    double minExpected = 1.0;
    double subjects = 0.0;  // those counted: every code within the model's range
    bool answersMissing = false;  // each item then has its own subjects
    std::vector<Item> items;
    std::vector<std::string> names;  // of the items, when a table names them; else empty

    // The item's name, or its number when it has none.
    std::string nameOf(int item) const
    {
        return names.empty() ? std::to_string(item) : names[static_cast<std::size_t>(item - 1)];
    }
    // Its name, or nothing.
    std::string givenName(int item) const { return names.empty() ? std::string() : nameOf(item); }
    std::size_t flaggedCount() const
    {
        return static_cast<std::size_t>(
            std::count_if(items.begin(), items.end(), [](const Item& item) { return item.flagged; }));
    }
};

// The statistic with fixed item parameters. Totals 1 … S − 1 are the score
// groups, S = m(K − 1); expected counts are N_s E(i, s, k). For each item
// in turn, while more than one group is left and a group has a category
// expecting fewer than minExpected subjects, the first such group joins the
// next one (the last joins the one before). S-X² sums (O − E)² / E over the
// merged groups' cells with E > 0; df = G(K − 1) − parameterCount, G the
// groups; p is the chi-square upper tail; RMSEA = √max(0, (S-X² − df) /
// (df (N − 1))). Adjusted p-values follow Benjamini and Hochberg over the
// items with a p; firstScore labels total 0.
ItemFit ComputeItemFit(const ItemCodeCounts& observed, const ItemExpectation& expected, int parameterCount,
                       std::int32_t firstScore, double minExpected = 1.0);

// The expected counts of the item fit with answers missing: each subject
// who answered item i adds to the group of its total t its own form's
// shares P(x_i = k | T_A = t), a total being a group only when 0 < t <
// n_A(K − 1). Added form by form, in the forms' order.
class FormExpectedCounts {
public:
    FormExpectedCounts(int items, int categories);
    // A form's subjects by total (AnswerForm::counted) and its shares.
    void add(const AnswerForm& form, const ItemExpectation& shares);
    double at(int item, std::size_t total, int category) const
    {
        return sums_[(static_cast<std::size_t>(item) * totals_ + total) * categories_ + category];
    }
    // T_i: the largest n_A(K − 1) of the forms that hold the item.
    std::size_t top(int item) const { return top_[static_cast<std::size_t>(item)]; }

private:
    std::size_t categories_, totals_;
    std::vector<double> sums_;  // by item, total, category
    std::vector<std::size_t> top_;
};

// The same with answers missing (observed counted so): item i's groups are
// 1 … T_i − 1, its N those who answered it. With every item answered by
// all, the figures are those above, to the bit.
ItemFit ComputeItemFit(const ItemCodeCounts& observed, const FormExpectedCounts& expected, int parameterCount,
                       std::int32_t firstScore, double minExpected = 1.0);
// expected[f] the shares of form f of forms.
ItemFit ComputeItemFit(const ItemCodeCounts& observed, const AnswerForms& forms,
                       const std::vector<ItemExpectation>& expected, int parameterCount, std::int32_t firstScore,
                       double minExpected = 1.0);

// What a chart of one item shows: for each merged group, the middle of its
// totals and the observed and expected mean item score.
struct ItemCurve {
    int item = 0;  // from 1
    bool flagged = false;
    std::vector<double> score, observed, expected;
    std::string name;  // empty when the items have none
};
ItemCurve CurveOf(const ItemFit::Item& item, const std::string& name = {});

// The merging rule on one item's score groups, in increasing total.
std::vector<ItemFit::Group> MergeItemGroups(const std::vector<ItemFit::Group>& groups, double minExpected);

// Benjamini–Hochberg adjusted p-values (step-up, capped at 1), in the
// order given.
std::vector<double> AdjustBenjaminiHochberg(const std::vector<double>& p);
