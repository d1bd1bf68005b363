#include "model/ItemModels.h"
#include "model/ItemResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "kernels/ScoreDistribution.h"
#include "tests/EveryVectorPath.h"

namespace {

constexpr double kFourDecimals = 5e-5;

TEST(ItemResponseTest, ThreeParameterLogisticAtReferencePoints)
{
    struct {
        double theta, a, b, c, D, expected;
    } const cases[] = {
        {1, 1, 0, 0, 1, 0.7311},
        {1, 1, 0, 0, 1.702, 0.8458},
        {0, 1.2, 0.5, 0.2, 1.702, 0.4118},
        {0, 1, 0, 0, 1, 0.5},
        {-3, 1, 0, 1, 1.702, 1.0},  // c = 1: always correct
    };
    for (const auto& c : cases)
        EXPECT_NEAR(ItemResponseProbability(c.theta, c.a, c.b, c.c, c.D), c.expected, kFourDecimals)
            << c.theta << " " << c.a << " " << c.b << " " << c.c << " " << c.D;
}

TEST(ItemResponseTest, ExtremeAbilitiesGiveZeroOrOneNotNaN)
{
    EXPECT_EQ(ItemResponseProbability(999, 1, 0, 0, 1.702), 1.0);
    EXPECT_EQ(ItemResponseProbability(-999, 1, 0, 0.2, 1.702), 0.2);
    EXPECT_EQ(BoundaryProbability(2, 1e6, 0), 1.0);
    EXPECT_EQ(BoundaryProbability(2, -1e6, 0), 0.0);
    // Where e^z is finite the result has the formula's very bits, and 1
    // where it is not.
    for (double z : {-745.0, -30.0, -1.5, 0.25, 36.0, 708.9, 709.5, 709.78}) {
        const double e = Exp(z);
        EXPECT_EQ(BoundaryProbability(1, z, 0), e / (1 + e)) << z;
    }
    EXPECT_EQ(BoundaryProbability(1, 709.79, 0), 1.0);
}

TEST(ItemResponseTest, GradedCategoriesAtReferencePoints)
{
    struct {
        double a, theta;
        std::vector<float> thresholds;
        std::vector<double> expected;
    } const cases[] = {
        {1, 0, {-1, 1}, {0.2689, 0.4621, 0.2689}},
        {1.5, 0.5, {-0.5f, 0.8f}, {0.1824, 0.4282, 0.3894}},
        {1, 0, {0, 1}, {0.5, 0.2311, 0.2689}},
        {1, 0, {1, -1}, {0.7311, -0.4621, 0.7311}},  // decreasing: kept negative
        {1, 0, {}, {1}},
    };
    for (const auto& c : cases) {
        std::vector<double> p(c.expected.size());
        GradedCategoryProbabilities(c.a, c.theta, c.thresholds.data(), static_cast<int>(c.thresholds.size()), p.data());
        for (std::size_t k = 0; k < p.size(); ++k)
            EXPECT_NEAR(p[k], c.expected[k], kFourDecimals) << c.a << " " << c.theta << " k=" << k;
    }
}

TEST(ItemResponseTest, PartialCreditCategoriesAtReferencePoints)
{
    struct {
        double a, theta;
        std::vector<float> steps;
        std::vector<double> expected;
    } const cases[] = {
        {1, 0, {-1, 1}, {0.2119, 0.5761, 0.2119}},
        {1, 0, {1, -1}, {0.4223, 0.1554, 0.4223}},
        {1, 0, {}, {1}},
    };
    for (const auto& c : cases) {
        std::vector<double> p(c.expected.size());
        PartialCreditProbabilities(c.a, c.theta, c.steps.data(), static_cast<int>(c.steps.size()), p.data());
        for (std::size_t k = 0; k < p.size(); ++k)
            EXPECT_NEAR(p[k], c.expected[k], kFourDecimals) << "k=" << k;
    }
}

TEST(ItemResponseTest, TwoCategoriesReduceToTheLogisticForm)
{
    for (double theta : {-2.0, -0.3, 0.0, 1.7}) {
        const float delta = 0.4f;
        const double a = 1.3;
        const double logistic = std::exp(a * (theta - delta)) / (1 + std::exp(a * (theta - delta)));
        double graded[2], credit[2];
        GradedCategoryProbabilities(a, theta, &delta, 1, graded);
        PartialCreditProbabilities(a, theta, &delta, 1, credit);
        EXPECT_NEAR(graded[1], logistic, 1e-15);
        EXPECT_NEAR(credit[1], logistic, 1e-15);
        EXPECT_NEAR(credit[0] + credit[1], 1.0, 1e-15);
    }
}

TEST(ItemResponseTest, PartialCreditSurvivesHugeExponents)
{
    const float steps[] = {-500, -500, -500};
    double p[4];
    PartialCreditProbabilities(1, 300, steps, 3, p);  // z up to 2400
    for (double value : p)
        EXPECT_TRUE(std::isfinite(value));
    EXPECT_NEAR(p[3], 1.0, 1e-12);
    EXPECT_NEAR(p[0] + p[1] + p[2] + p[3], 1.0, 1e-12);

    // Where nothing overflows, the direct formula's bits.
    const float small[] = {-1, 1};
    PartialCreditProbabilities(1, 0, small, 2, p);
    const double sum = 1 + Exp(1.0) + Exp(0.0);
    EXPECT_EQ(p[1], Exp(1.0) / sum);
}

// The items side by side in the vectors give each item the bits it has
// alone, on every path, however many are in the last vector: thresholds
// that fall and rise, boundaries past which the exponential overflows, and
// partial credit items whose sum overflows among items whose does not.
TEST(ItemResponseTest, ItemsSideBySideKeepEachItemsBits)
{
    using Kind = PolytomousItems::Kind;
    OnEveryVectorPath([](VectorPath) {
        for (const int m : {1, 3, 8, 9, 13, 37})
            for (const int K : {1, 2, 3, 5, 9}) {
                ItemParameters items(m, K);
                for (int i = 0; i < m; ++i) {
                    items.a[i] = 0.3f + 0.07f * static_cast<float>(i % 11);
                    for (int k = 0; k + 1 < K; ++k)
                        items.b[static_cast<std::size_t>(k) * m + i] =
                            i % 5 == 4 ? -500.0f : -2.0f + 0.37f * static_cast<float>((i * 7 + k * 3) % 13);
                }
                std::vector<float> byItem(items.b.size());
                for (int i = 0; i < m; ++i)
                    for (int k = 0; k + 1 < K; ++k)
                        byItem[static_cast<std::size_t>(i) * (K - 1) + k] = items.b[static_cast<std::size_t>(k) * m + i];
                for (const Kind kind : {Kind::Graded, Kind::PartialCredit}) {
                    PolytomousItems model(items, kind);
                    for (const double theta : {-300.0, -4.0, -0.3, 0.0, 1.7, 300.0}) {
                        std::vector<double> together(static_cast<std::size_t>(m) * K), alone(together.size());
                        model.categoriesAt(theta, together.data());
                        for (int i = 0; i < m; ++i) {
                            const float* b = byItem.data() + static_cast<std::size_t>(i) * (K - 1);
                            double* p = alone.data() + static_cast<std::size_t>(i) * K;
                            if (kind == Kind::Graded)
                                GradedCategoryProbabilities(items.a[i], theta, b, K - 1, p);
                            else
                                PartialCreditProbabilities(items.a[i], theta, b, K - 1, p);
                        }
                        for (std::size_t k = 0; k < together.size(); ++k)
                            ASSERT_EQ(std::memcmp(&together[k], &alone[k], sizeof(double)), 0)
                                << (kind == Kind::Graded ? "graded" : "partial credit") << ", " << m << " items of "
                                << K << " at " << theta << ": item " << k / K << ", category " << k % K << ": "
                                << together[k] << " against " << alone[k];
                    }
                }
            }
    });
}

TEST(ScoreDistributionTest, NumberCorrectRecursion)
{
    std::vector<double> scratchBuffer(NumberCorrectWorkSize(5));
    double* scratch = scratchBuffer.data();
    const double half[] = {0.5, 0.5};
    double f[3];
    NumberCorrectDistribution(half, 2, f, scratch);
    EXPECT_EQ(std::vector<double>(f, f + 3), (std::vector<double>{0.25, 0.5, 0.25}));

    const double P[] = {0.9, 0.2, 0.65, 1.0, 0.3};
    double g[6];
    NumberCorrectDistribution(P, 5, g, scratch);
    EXPECT_NEAR(g[0], 0.0, 1e-15);                       // the certain item shifts everything
    EXPECT_NEAR(g[5], 0.9 * 0.2 * 0.65 * 1.0 * 0.3, 1e-15);
    EXPECT_NEAR(std::accumulate(g, g + 6, 0.0), 1.0, 1e-15);

    // The same as the general convolution with two categories, to the bit.
    std::vector<double> table, h(6), work(TotalScoreWorkSize(5, 2));
    for (double p : P) {
        table.push_back(1 - p);
        table.push_back(p);
    }
    TotalScoreDistribution(table.data(), 5, 2, h.data(), work.data());
    EXPECT_EQ(h, std::vector<double>(g, g + 6));
}

// The reports' bits: each total gathers its terms in increasing category
// from 0.0, item by item, whatever the loops look like. Negative and zero
// probabilities (decreasing thresholds) included.
TEST(ScoreDistributionTest, ConvolutionKeepsTheBitsOfTheItemByItemSum)
{
    unsigned state = 7;
    const auto random = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>(state >> 8) % 2001 / 1000.0 - 0.6;
    };
    for (const auto& [m, K] : {std::pair{1, 4}, std::pair{2, 2}, std::pair{7, 3}, std::pair{23, 5}, std::pair{40, 9}}) {
        std::vector<double> P(static_cast<std::size_t>(m) * K);
        for (std::size_t k = 0; k < P.size(); ++k)
            P[k] = k % 5 == 3 ? 0.0 : random();
        const std::size_t R = static_cast<std::size_t>(m) * (K - 1) + 1;
        std::vector<double> reference(P.begin(), P.begin() + K), next;
        for (int i = 1; i < m; ++i) {
            next.assign(reference.size() + K - 1, 0.0);
            for (int c = 0; c < K; ++c)
                for (std::size_t s = 0; s < reference.size(); ++s)
                    next[s + c] += P[static_cast<std::size_t>(i) * K + c] * reference[s];
            reference.swap(next);
        }
        std::vector<double> f(R), work(TotalScoreWorkSize(m, K));
        TotalScoreDistribution(P.data(), m, K, f.data(), work.data());
        for (std::size_t r = 0; r < R; ++r)
            EXPECT_EQ(std::signbit(f[r]), std::signbit(reference[r])) << m << " x " << K << " row " << r;
        EXPECT_EQ(f, reference) << m << " items of " << K;
    }
}

// Eight abilities in the vector lanes give each the bits it has alone,
// however many are in the last group.
TEST(ScoreDistributionTest, LanesKeepEachAbilitysBits)
{
    const int m = 37;
    ItemParameters items(m, 2);
    for (int i = 0; i < m; ++i) {
        items.a[i] = 0.4f + 0.05f * i;
        items.b[i] = -2.0f + 0.11f * i;
        items.c[i] = i % 3 == 0 ? 0.2f : 0.0f;
    }
    BinaryItems model(items, 1.702);
    const std::vector<float> theta = {-3.5f, -1, -0.25f, 0, 0.5f, 1, 2, 2.5f, 3, -2, 0.75f};
    const std::size_t rows = m + 1;
    std::vector<double> together(theta.size() * rows), alone(rows);
    model.distributionsAt(theta.data(), theta.size(), rows, together.data());
    for (std::size_t k = 0; k < theta.size(); ++k) {
        model.distributionAt(theta[k], alone.data());
        EXPECT_EQ(std::vector<double>(together.begin() + k * rows, together.begin() + (k + 1) * rows), alone) << k;
    }
}

TEST(ScoreDistributionTest, TotalScoreConvolution)
{
    const float thresholds[] = {-1, 1};
    double item[3], two[6], f[5];
    std::vector<double> work(TotalScoreWorkSize(3, 3));
    GradedCategoryProbabilities(1, 0, thresholds, 2, item);
    std::copy(item, item + 3, two);
    std::copy(item, item + 3, two + 3);
    TotalScoreDistribution(two, 2, 3, f, work.data());
    const double expected[] = {0.0723, 0.2486, 0.3582, 0.2486, 0.0723};
    for (int r = 0; r < 5; ++r)
        EXPECT_NEAR(f[r], expected[r], kFourDecimals) << r;

    double one[3];
    TotalScoreDistribution(item, 1, 3, one, work.data());
    EXPECT_EQ(std::vector<double>(one, one + 3), std::vector<double>(item, item + 3));

    const double single[] = {1, 1, 1};
    double k1[1];
    TotalScoreDistribution(single, 3, 1, k1, work.data());
    EXPECT_EQ(k1[0], 1.0);

    // Three unequal items, against brute-force enumeration.
    const double P[] = {0.1, 0.6, 0.3, 0.5, 0.25, 0.25, 0.7, 0.2, 0.1};
    double g[7];
    TotalScoreDistribution(P, 3, 3, g, work.data());
    double brute[7] = {};
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            for (int z = 0; z < 3; ++z)
                brute[x + y + z] += P[x] * P[3 + y] * P[6 + z];
    for (int r = 0; r < 7; ++r)
        EXPECT_NEAR(g[r], brute[r], 1e-15) << r;
}

}  // namespace
