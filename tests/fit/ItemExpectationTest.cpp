#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fit/ItemExpectation.h"

namespace {

struct ModelCase {
    const char* what;
    FitModel::Kind kind;
    int K;
    std::vector<float> a, b, c;  // b boundary by boundary, item by item within
    std::vector<float> theta, weight;
};

FitModel makeModel(const ModelCase& c)
{
    FitModel model;
    model.kind = c.kind;
    const int m = static_cast<int>(c.a.size());
    model.items = ItemParameters(m, c.K);
    model.items.a = c.a;
    model.items.b = c.b;
    if (!c.c.empty())
        model.items.c = c.c;
    model.theta = c.theta;
    model.weight = c.weight;
    return model;
}

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
        std::vector<int> x(m, 0);
        for (;;) {
            double p = model.weight[q];
            std::size_t s = 0;
            for (int i = 0; i < m; ++i) {
                p *= P[i * K + x[i]];
                s += x[i];
            }
            all[s] += p;
            for (int i = 0; i < m; ++i)
                joint[(i * R + s) * K + x[i]] += p;
            int i = 0;
            while (i < m && ++x[i] == K)
                x[i++] = 0;
            if (i == m)
                break;
        }
    }
    for (int i = 0; i < m; ++i)
        for (std::size_t s = 0; s < R; ++s)
            for (int k = 0; k < K; ++k)
                joint[(i * R + s) * K + k] = all[s] > 0 ? joint[(i * R + s) * K + k] / all[s] : 0.0;
    return joint;
}

const std::vector<float> kNodes = {-2.5f, -1, 0, 0.7f, 2};
const std::vector<float> kWeights = {0.1f, 0.2f, 0.4f, 0.2f, 0.1f};

// Abilities far out put probabilities within 1e-12 of 0 and 1, where
// dividing an item out of the distribution would lose every digit.
const ModelCase kCases[] = {
    {"3PL, eight items", FitModel::Kind::Binary, 2, {1, 1.5f, 0.6f, 2, 1, 0.8f, 1.2f, 2.5f},
     {-1.5f, -0.5f, 0, 0.3f, 1, 1.8f, -2, 0.5f}, {0.2f, 0, 0.25f, 0.1f, 0, 0.15f, 0, 0.3f}, kNodes, kWeights},
    {"2PL, far abilities", FitModel::Kind::Binary, 2, {1, 1.5f, 0.6f, 2, 1, 0.8f}, {-1.5f, -0.5f, 0, 0.3f, 1, 1.8f},
     {}, {-18, -9, 0, 9, 18}, {0.2f, 0.2f, 0.2f, 0.2f, 0.2f}},
    {"graded, K = 3, six items", FitModel::Kind::Graded, 3, {1, 1.5f, 0.6f, 2, 1, 0.8f},
     {-1.5f, -0.5f, -1, 0.3f, -1, 0, 0.5f, 0.5f, 0, 1.3f, 0.2f, 1.8f}, {}, kNodes, kWeights},
    {"partial credit, K = 4, five items", FitModel::Kind::PartialCredit, 4, {1, 1, 1, 1, 1},
     {-1, 0, -2, 0.5f, 1, 0.2f, 0, -0.5f, 1.5f, 0.4f, 1, 2, 0.5f, -1, 0}, {}, kNodes, kWeights},
    {"graded, far abilities", FitModel::Kind::Graded, 3, {2, 1.5f, 1, 2.5f}, {-1, 0, -0.5f, 0.2f, 1, 0.5f, 0.8f, 1.5f},
     {}, {-25, -12, 0, 12, 25}, {0.1f, 0.2f, 0.4f, 0.2f, 0.1f}},
    {"3PL, probabilities of exactly c and 1", FitModel::Kind::Binary, 2, {1, 1.5f, 0.6f, 2},
     {-1.5f, 0, 0.3f, 1}, {0.2f, 0, 0.25f, 0}, {-800, -30, 0, 30, 800}, {0.1f, 0.2f, 0.4f, 0.2f, 0.1f}},
    {"one item", FitModel::Kind::Binary, 2, {1}, {0}, {}, kNodes, kWeights},
};

}  // namespace

TEST(ItemExpectationTest, AgreesWithEveryResponsePattern)
{
    for (const ModelCase& c : kCases) {
        const FitModel model = makeModel(c);
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

TEST(ItemExpectationTest, SameBitsOnAnyThreadsAndAStopChangesNothing)
{
    ModelCase c = kCases[2];
    c.theta.clear();
    c.weight.clear();
    for (int q = 0; q < 5000; ++q) {
        c.theta.push_back(-4.0f + 0.0016f * q);
        c.weight.push_back(std::exp(-0.5f * c.theta.back() * c.theta.back()));
    }
    const FitModel model = makeModel(c);
    ItemExpectation one, three;
    ASSERT_TRUE(ExpectItemCategories(model, one, 1));
    ASSERT_TRUE(ExpectItemCategories(model, three, 3));
    for (int i = 0; i < one.items(); ++i)
        for (std::size_t s = 0; s < one.totals(); ++s)
            for (int k = 0; k < one.categories(); ++k)
                ASSERT_EQ(one.at(i, s, k), three.at(i, s, k));

    int calls = 0;
    ItemExpectation kept = one;
    EXPECT_FALSE(ExpectItemCategories(model, kept, 2, [&](double done) {
        EXPECT_GT(done, 0.0);
        return ++calls < 3;
    }));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(kept.at(2, 5, 1), one.at(2, 5, 1));
}
