#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "counts/ItemCodeCounts.h"
#include "model/ItemExpectation.h"
#include "model/PairExpectation.h"
#include "tests/EveryVectorPath.h"
#include "tests/model/ModelCases.h"

namespace {

// The expectation from every response pattern: the joint probability of
// each item's category and the total, over the totals' probability.
std::vector<double> byPatterns(const FitModel& model)
{
    const int m = model.items.itemCount, K = model.items.categoryCount;
    const std::size_t R = static_cast<std::size_t>(m) * (K - 1) + 1;
    std::vector<double> joint(m * R * K, 0.0), all(R, 0.0), P(m * K);
    const auto items = model.makeModel();
    for (std::size_t q = 0; q < model.theta.size(); ++q) {
        items->categoriesAt(model.theta[q], P.data());
        ForEachPattern(m, K, P, [&](const std::vector<int>& x, double p) {
            std::size_t s = 0;
            for (int i = 0; i < m; ++i)
                s += x[i];
            all[s] += model.weight[q] * p;
            for (int i = 0; i < m; ++i)
                joint[(i * R + s) * K + x[i]] += model.weight[q] * p;
        });
    }
    for (int i = 0; i < m; ++i)
        for (std::size_t s = 0; s < R; ++s)
            for (int k = 0; k < K; ++k)
                joint[(i * R + s) * K + k] = all[s] > 0 ? joint[(i * R + s) * K + k] / all[s] : 0.0;
    return joint;
}

}  // namespace

TEST(ItemExpectationTest, AgreesWithEveryResponsePattern)
{
    for (const ModelCase& c : kModelCases) {
        const FitModel model = MakeModel(c);
        const std::vector<double> wanted = byPatterns(model);
        ItemExpectation got;
        ASSERT_TRUE(ExpectItemCategories(model, got, 2));
        ASSERT_EQ(got.items(), model.items.itemCount);
        std::size_t n = 0;
        for (int i = 0; i < got.items(); ++i)
            for (std::size_t s = 0; s < got.totals(); ++s) {
                double sum = 0.0;
                for (int k = 0; k < got.categories(); ++k, ++n) {
                    const double w = wanted[n], g = got.at(i, s, k);
                    sum += g;
                    // Relative accuracy also for shares of 1e-100.
                    EXPECT_NEAR(g, w, 1e-12 * w + 1e-300)
                        << c.what << ": item " << i << ", total " << s << ", category " << k;
                }
                EXPECT_NEAR(sum, 1.0, 1e-13) << c.what;
            }
    }
}

namespace {

// A case on enough points for several blocks of work.
FitModel fineGrid(const ModelCase& of = kModelCases[2])
{
    ModelCase c = of;
    c.theta.clear();
    c.weight.clear();
    for (int q = 0; q < 5000; ++q) {
        c.theta.push_back(-4.0f + 0.0016f * q);
        c.weight.push_back(std::exp(-0.5f * c.theta.back() * c.theta.back()));
    }
    return MakeModel(c);
}

}  // namespace

TEST(ItemExpectationTest, SameBitsOnAnyThreadsAndAStopChangesNothing)
{
    // Binary items divided out, polytomous ones by halving: on every path.
    for (const ModelCase& c : kModelCases) {
        const FitModel model = fineGrid(c);
        ItemExpectation one;
        ASSERT_TRUE(ExpectItemCategories(model, one, 1));
        OnEveryVectorPath([&](VectorPath) {
            // On two and three threads, the items in as many parts as the
            // scratch asks for, too.
            for (const int threads : {2, 3})
                for (const double scratch : {0.0, 1.0, 20000.0}) {
                    ItemExpectation more;
                    ASSERT_TRUE(ExpectItemCategories(model, more, threads, {}, scratch));
                    for (int i = 0; i < one.items(); ++i)
                        for (std::size_t s = 0; s < one.totals(); ++s)
                            for (int k = 0; k < one.categories(); ++k)
                                ASSERT_EQ(one.at(i, s, k), more.at(i, s, k))
                                    << c.what << ", " << threads << " threads, scratch " << scratch;
                }
        });
    }

    const FitModel model = fineGrid();
    ItemExpectation one;
    ASSERT_TRUE(ExpectItemCategories(model, one, 1));

    int calls = 0;
    ItemExpectation kept = one;
    EXPECT_FALSE(ExpectItemCategories(model, kept, 2, [&](double done) {
        EXPECT_GT(done, 0.0);
        return ++calls < 3;
    }));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(kept.at(2, 5, 1), one.at(2, 5, 1));
}

// With answers missing, each form is a test of its own items: handed on
// in form order, on any number of threads, with the bits of a model of
// just those items; a stop hands on no more and keeps nothing.
TEST(ItemExpectationTest, FormsInOrderEachATestOfItsOwnItems)
{
    const FitModel model = fineGrid();
    AnswerForms forms(model.items.itemCount, model.items.categoryCount);
    const unsigned char x = kNotAnswered;
    for (const std::vector<unsigned char>& answers :
         {std::vector<unsigned char>{1, x, 2, 0, x, 1}, {x, 2, x, x, 1, 0}, {0, 1, 2, 0, 1, 2}, {2, x, x, x, x, x}})
        forms.addSubject(answers.data(), false);
    forms.order();
    ASSERT_EQ(forms.forms().size(), 4u);

    std::vector<ItemExpectation> alone;
    for (const AnswerForm& form : forms.forms()) {
        FitModel itsItems = model;
        itsItems.items = model.items.subset(form.items);
        ASSERT_TRUE(ExpectItemCategories(itsItems, alone.emplace_back(), 1));
    }
    for (const int threads : {1, 2, 3, 5}) {
        std::size_t next = 0;
        ASSERT_TRUE(ExpectFormCategories(model, forms, threads, [&](std::size_t f, const ItemExpectation& e) {
            ASSERT_EQ(f, next++) << threads << " threads";
            ASSERT_EQ(e.items(), alone[f].items());
            for (int i = 0; i < e.items(); ++i)
                for (std::size_t s = 0; s < e.totals(); ++s)
                    for (int k = 0; k < e.categories(); ++k)
                        ASSERT_EQ(e.at(i, s, k), alone[f].at(i, s, k)) << threads << " threads, form " << f;
        }));
        EXPECT_EQ(next, alone.size());
    }

    std::vector<ItemExpectation> kept(1);
    int calls = 0;
    EXPECT_FALSE(ExpectFormCategories(model, forms, kept, 2, [&](double done) {
        EXPECT_DOUBLE_EQ(done, (calls + 1) / 4.0);
        return ++calls < 2;
    }));
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].items(), 0);
}

TEST(PairExpectationTest, SameBitsOnAnyThreadsAndAStopChangesNothing)
{
    const FitModel model = fineGrid();
    PairExpectation one;
    ASSERT_TRUE(ExpectPairCategories(model, one, 1));
    // Each share as the definition has it.
    const int m = model.items.itemCount, K = model.items.categoryCount;
    std::vector<double> P(static_cast<std::size_t>(m) * K), direct(P.size() * P.size(), 0.0);
    double weights = 0.0;
    const auto items = model.makeModel();
    for (std::size_t q = 0; q < model.theta.size(); ++q) {
        items->categoriesAt(model.theta[q], P.data());
        weights += model.weight[q];
        for (std::size_t a = 0; a < P.size(); ++a)
            for (std::size_t b = 0; b < P.size(); ++b)
                direct[a * P.size() + b] += model.weight[q] * P[a] * P[b];
    }
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j)
            for (int k = 0; k < K && i != j; ++k)
                for (int l = 0; l < K; ++l)
                    ASSERT_NEAR(one.at(i, j, k, l), direct[(i * K + k) * P.size() + j * K + l] / weights, 1e-12)
                        << i << " " << j << " " << k << " " << l;
    OnEveryVectorPath([&](VectorPath) {
        for (const int threads : {2, 3})
            for (const double scratch : {0.0, 1.0, 3000.0}) {
                PairExpectation more;
                ASSERT_TRUE(ExpectPairCategories(model, more, threads, {}, scratch));
                for (int i = 0; i < one.items(); ++i)
                    for (int j = 0; j < one.items(); ++j)
                        for (int k = 0; k < one.categories() && i != j; ++k)
                            for (int l = 0; l < one.categories(); ++l)
                                ASSERT_EQ(one.at(i, j, k, l), more.at(i, j, k, l))
                                    << threads << " threads, scratch " << scratch;
            }
    });

    PairExpectation kept = one;
    EXPECT_FALSE(ExpectPairCategories(model, kept, 2, [](double done) { return done < 0.5; }));
    EXPECT_EQ(kept.at(0, 1, 1, 1), one.at(0, 1, 1, 1));
}
