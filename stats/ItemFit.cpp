#include "stats/ItemFit.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "stats/FitSummary.h"
#include "stats/FlagLevel.h"

namespace {

double meanOf(const std::vector<double>& counts, double subjects)
{
    if (subjects <= 0.0)
        return 0.0;
    double sum = 0.0;
    for (std::size_t k = 1; k < counts.size(); ++k)
        sum += static_cast<double>(k) * counts[k];
    return sum / subjects;
}

bool sparse(const ItemFit::Group& group, double minExpected)
{
    return std::any_of(group.expected.begin(), group.expected.end(), [&](double e) { return e < minExpected; });
}

void join(ItemFit::Group& into, const ItemFit::Group& group)
{
    into.firstScore = std::min(into.firstScore, group.firstScore);
    into.lastScore = std::max(into.lastScore, group.lastScore);
    into.subjects += group.subjects;
    for (std::size_t k = 0; k < into.observed.size(); ++k) {
        into.observed[k] += group.observed[k];
        into.expected[k] += group.expected[k];
    }
}

}  // namespace

// In one pass: the groups before the one in hand never expect too few, so
// the one in hand is the first that may.
std::vector<ItemFit::Group> MergeItemGroups(const std::vector<ItemFit::Group>& groups, double minExpected)
{
    std::vector<ItemFit::Group> kept;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        ItemFit::Group group = groups[g];
        while (sparse(group, minExpected) && g + 1 < groups.size())
            join(group, groups[++g]);
        if (sparse(group, minExpected) && !kept.empty())
            join(kept.back(), group);
        else
            kept.push_back(std::move(group));
    }
    return kept;
}

double ItemFit::Group::observedMean() const { return meanOf(observed, subjects); }
double ItemFit::Group::expectedMean() const { return meanOf(expected, subjects); }

ItemCurve CurveOf(const ItemFit::Item& item, const std::string& name)
{
    ItemCurve curve;
    curve.item = item.item;
    curve.name = name;
    curve.flagged = item.flagged;
    for (const ItemFit::Group& group : item.groups) {
        curve.score.push_back(0.5 * (group.firstScore + group.lastScore));
        curve.observed.push_back(group.observedMean());
        curve.expected.push_back(group.expectedMean());
    }
    return curve;
}

std::vector<double> AdjustBenjaminiHochberg(const std::vector<double>& p)
{
    const std::size_t n = p.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    std::vector<double> adjusted(n);
    double least = 1.0;
    for (std::size_t r = n; r-- > 0;) {
        least = std::min(least, static_cast<double>(n) / static_cast<double>(r + 1) * p[order[r]]);
        adjusted[order[r]] = least;
    }
    return adjusted;
}

namespace {

// The statistic over groups of totals 1 … last(i) − 1 of each item, whose
// cells come from the callers: subjects(s, i) in a group, expected(s, i,
// k) of them in a category, and the item's own N for its RMSEA.
template <typename Last, typename Subjects, typename Expected, typename ItemN>
ItemFit itemFitOf(const ItemCodeCounts& observed, int parameterCount, std::int32_t firstScore, double minExpected,
                  Last last, Subjects subjects, Expected expected, ItemN itemN)
{
    ItemFit fit;
    fit.minExpected = minExpected;
    const int m = observed.items(), K = observed.categories();
    for (std::size_t s = 0; s < observed.totals(); ++s)
        fit.subjects += static_cast<double>(observed.subjects(s));

    std::vector<double> p;
    for (int i = 0; i < m; ++i) {
        ItemFit::Item item;
        item.item = i + 1;
        item.subjects = itemN(i, fit.subjects);
        std::vector<ItemFit::Group> groups;
        for (std::size_t s = 1; s < last(i); ++s) {
            ItemFit::Group group;
            group.firstScore = group.lastScore = firstScore + static_cast<std::int32_t>(s);
            group.subjects = subjects(s, i);
            for (int k = 0; k < K; ++k) {
                group.observed.push_back(static_cast<double>(observed.count(s, i, k)));
                group.expected.push_back(expected(s, i, k, group.subjects));
            }
            groups.push_back(std::move(group));
        }
        item.groups = MergeItemGroups(groups, minExpected);
        for (const ItemFit::Group& group : item.groups)
            for (int k = 0; k < K; ++k)
                if (group.expected[k] > 0.0) {
                    const double d = group.observed[k] - group.expected[k];
                    item.sx2 += d * d / group.expected[k];
                }
        item.df = static_cast<int>(item.groups.size()) * (K - 1) - parameterCount;
        if (item.df > 0) {
            item.p = ChiSquareUpperTail(item.sx2, item.df);
            p.push_back(*item.p);
            if (item.subjects > 1.0)
                item.rmsea = std::sqrt(std::max(0.0, (item.sx2 - item.df) / (item.df * (item.subjects - 1.0))));
        }
        fit.items.push_back(std::move(item));
    }
    const std::vector<double> adjusted = AdjustBenjaminiHochberg(p);
    std::size_t next = 0;
    for (ItemFit::Item& item : fit.items)
        if (item.p) {
            item.pAdjusted = adjusted[next++];
            item.flagged = *item.pAdjusted < kFlagLevel;
        }
    return fit;
}

}  // namespace

ItemFit ComputeItemFit(const ItemCodeCounts& observed, const ItemExpectation& expected, int parameterCount,
                       std::int32_t firstScore, double minExpected)
{
    // Counts never made have no totals: no item, no group.
    const std::size_t S = observed.totals() > 0 ? observed.totals() - 1 : 0;
    return itemFitOf(
        observed, parameterCount, firstScore, minExpected, [S](int) { return S; },
        [&](std::size_t s, int) { return static_cast<double>(observed.subjects(s)); },
        [&](std::size_t s, int i, int k, double subjects) { return subjects * expected.at(i, s, k); },
        [](int, double all) { return all; });
}

FormExpectedCounts::FormExpectedCounts(int items, int categories)
    : categories_(static_cast<std::size_t>(categories)),
      totals_(static_cast<std::size_t>(items) * (categories_ - 1) + 1),
      sums_(static_cast<std::size_t>(items) * totals_ * categories_, 0.0),
      top_(static_cast<std::size_t>(items), 0)
{
}

void FormExpectedCounts::add(const AnswerForm& form, const ItemExpectation& shares)
{
    const std::size_t top = form.topTotal(static_cast<int>(categories_)), K = categories_;
    for (std::size_t p = 0; p < form.items.size(); ++p) {
        const std::size_t i = static_cast<std::size_t>(form.items[p]);
        top_[i] = std::max(top_[i], top);
        for (std::size_t t = 1; t < top; ++t)
            if (form.counted[t] > 0)
                for (std::size_t k = 0; k < K; ++k)
                    sums_[(i * totals_ + t) * K + k] += static_cast<double>(form.counted[t]) *
                                                         shares.at(static_cast<int>(p), t, static_cast<int>(k));
    }
}

ItemFit ComputeItemFit(const ItemCodeCounts& observed, const FormExpectedCounts& expected, int parameterCount,
                       std::int32_t firstScore, double minExpected)
{
    ItemFit fit = itemFitOf(
        observed, parameterCount, firstScore, minExpected, [&](int i) { return expected.top(i); },
        [&](std::size_t s, int i) { return static_cast<double>(observed.answered(s, i)); },
        [&](std::size_t s, int i, int k, double) { return expected.at(i, s, k); },
        [&](int i, double) {
            double answered = 0.0;
            for (std::size_t s = 0; s < observed.totals(); ++s)
                answered += static_cast<double>(observed.answered(s, i));
            return answered;
        });
    fit.answersMissing = true;
    return fit;
}

ItemFit ComputeItemFit(const ItemCodeCounts& observed, const AnswerForms& forms,
                       const std::vector<ItemExpectation>& expected, int parameterCount, std::int32_t firstScore,
                       double minExpected)
{
    FormExpectedCounts counts(observed.items(), observed.categories());
    for (std::size_t f = 0; f < forms.forms().size(); ++f)
        counts.add(forms.forms()[f], expected[f]);
    return ComputeItemFit(observed, counts, parameterCount, firstScore, minExpected);
}
