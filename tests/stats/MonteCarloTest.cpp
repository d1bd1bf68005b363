#include "stats/MonteCarlo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "stats/RandomStream.h"
#include "tests/EveryVectorPath.h"
#include "tests/stats/SimulatedTest.h"

namespace {

// Three binary items over two points, as the exactness check wants.
FitModel smallModel()
{
    FitModel model;
    model.items = ItemParameters(3, 2);
    model.items.a = {1.0f, 1.5f, 0.8f};
    model.items.b = {-0.5f, 0.2f, 0.9f};
    model.items.c = {0.0f, 0.1f, 0.0f};
    model.parameterCount = 3;
    model.theta = {-1.0f, 1.0f};
    model.weight = {0.4f, 0.6f};
    return model;
}

// The run's table: observed frequencies and N times the model's score
// distribution.
ScoreTable tableOf(const FitModel& model, const std::vector<double>& observed)
{
    ScoreTable table;
    table.observed = observed;
    double N = 0.0;
    for (const double o : observed)
        N += o;
    table.expected.assign(observed.size(), 0.0);
    std::vector<double> f(observed.size());
    const auto items = model.makeModel();
    for (std::size_t q = 0; q < model.theta.size(); ++q) {
        items->distributionAt(model.theta[q], f.data());
        for (std::size_t s = 0; s < f.size(); ++s)
            table.expected[s] += N * model.weight[q] * f[s];
    }
    for (std::size_t s = 0; s < f.size(); ++s)
        if (table.expected[s] > 0.0)
            table.chiSquare += (observed[s] - table.expected[s]) * (observed[s] - table.expected[s]) / table.expected[s];
    return table;
}

MonteCarloResult simulate(const FitModel& model, const ScoreTable& table, std::uint64_t replicates,
                          std::uint64_t seed, int threads, const ItemFit* items = nullptr,
                          const ItemExpectation* expectation = nullptr)
{
    const FitSummary summary = SummarizeFit(table, 1.0);
    MonteCarloRequest request;
    request.model = &model;
    request.table = &table;
    request.summary = &summary;
    for (const double o : table.observed)
        request.subjects += static_cast<std::int64_t>(o);
    request.items = items;
    request.itemExpectation = expectation;
    request.replicates = replicates;
    request.seed = seed;
    request.threads = threads;
    std::string error;
    const std::optional<MonteCarloResult> result = SimulatePValues(request, error);
    EXPECT_TRUE(result) << error;
    return result.value_or(MonteCarloResult{});
}

// The exact p of the chi-square over every score: every table of N
// subjects in the scores, weighed by its multinomial probability.
double exactP(const ScoreTable& table)
{
    const std::size_t rows = table.expected.size();
    double N = 0.0;
    for (const double o : table.observed)
        N += o;
    std::vector<double> pi(rows);
    for (std::size_t s = 0; s < rows; ++s)
        pi[s] = table.expected[s] / N;
    const auto chiSquare = [&](const std::vector<double>& o) {
        double sum = 0.0;
        for (std::size_t s = 0; s < rows; ++s)
            if (table.expected[s] > 0.0)
                sum += (o[s] - table.expected[s]) * (o[s] - table.expected[s]) / table.expected[s];
        return sum;
    };
    const double observed = chiSquare(table.observed);
    double p = 0.0;
    std::vector<double> counts(rows, 0.0);
    std::function<void(std::size_t, int, double)> fill = [&](std::size_t s, int left, double probability) {
        if (s + 1 == rows) {
            counts[s] = left;
            const double whole = probability * std::pow(pi[s], left) / std::tgamma(left + 1.0);
            if (chiSquare(counts) >= observed)
                p += whole;
            return;
        }
        for (int n = 0; n <= left; ++n) {
            counts[s] = n;
            fill(s + 1, left - n, probability * std::pow(pi[s], n) / std::tgamma(n + 1.0));
        }
    };
    fill(0, static_cast<int>(N), std::tgamma(N + 1.0));
    return p;
}

}  // namespace

TEST(RandomStreamTest, StreamsAreReproducibleAndDistinct)
{
    RandomStream a(7, 3), b(7, 3), c(7, 4), d(8, 3);
    bool differ = false;
    for (int k = 0; k < 100; ++k) {
        const std::uint64_t x = a.next();
        EXPECT_EQ(x, b.next());
        differ = differ || x != c.next() || x != d.next();
    }
    EXPECT_TRUE(differ);
    RandomStream r(1, 0);
    double sum = 0.0;
    for (int k = 0; k < 100000; ++k) {
        const double u = r.uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        sum += u;
    }
    EXPECT_NEAR(sum / 100000, 0.5, 0.005);
}

TEST(RandomStreamTest, AliasTableDrawsInProportion)
{
    AliasTable table;
    EXPECT_FALSE(table.build({1.0, -0.5}));
    EXPECT_FALSE(table.build({0.0, 0.0}));
    EXPECT_FALSE(table.build({1.0, NAN}));
    const std::vector<double> weights = {0.5, 0.0, 2.0, 1.5, 0.0001};
    ASSERT_TRUE(table.build(weights));
    std::vector<double> counts(weights.size(), 0.0);
    RandomStream random(3, 9);
    const int draws = 400000;
    for (int k = 0; k < draws; ++k)
        counts[table.draw(random)] += 1.0;
    EXPECT_EQ(counts[1], 0.0);
    for (std::size_t k = 0; k < weights.size(); ++k) {
        const double p = weights[k] / 4.0001;
        EXPECT_NEAR(counts[k] / draws, p, 5 * std::sqrt(p * (1 - p) / draws) + 1e-12) << k;
    }
}

// Eight subjects on three items: the simulated p of the chi-square against
// the exact one, within four standard errors, drawing scores straight from
// their distribution and drawing each subject's answers.
TEST(MonteCarloTest, AgreesWithTheExactPOfASmallRun)
{
    const FitModel model = smallModel();
    const ScoreTable table = tableOf(model, {3, 1, 1, 3});
    const double exact = exactP(table);
    ASSERT_GT(exact, 0.01);
    const double R = 200000;
    const MonteCarloResult scores = simulate(model, table, 200000, 11, 2);
    EXPECT_NEAR(scores.chiSquareP, exact, 4 * std::sqrt(exact * (1 - exact) / R));

    ItemExpectation expectation;
    ASSERT_TRUE(ExpectItemCategories(model, expectation, 1));
    ItemCodeCounts counts(3, 2);
    const unsigned char rows[][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    for (const auto& row : rows)
        counts.addSubject(row);
    const ItemFit items = ComputeItemFit(counts, expectation, 3, 0);
    const MonteCarloResult subjects = simulate(model, table, 50000, 12, 2, &items, &expectation);
    EXPECT_NEAR(subjects.chiSquareP, exact, 4 * std::sqrt(exact * (1 - exact) / 50000));
    ASSERT_EQ(subjects.itemP.size(), 3u);
}

TEST(MonteCarloTest, SameSeedSameBitsOnAnyThreads)
{
    const FitModel model = smallModel();
    const ScoreTable table = tableOf(model, {30, 10, 15, 45});
    ItemExpectation expectation;
    ASSERT_TRUE(ExpectItemCategories(model, expectation, 1));
    ItemCodeCounts counts(3, 2);
    const unsigned char row[] = {1, 0, 1};
    for (int k = 0; k < 100; ++k)
        counts.addSubject(row);
    const ItemFit items = ComputeItemFit(counts, expectation, 3, 0);
    const MonteCarloResult one = simulate(model, table, 999, 5, 1, &items, &expectation);
    OnEveryVectorPath([&](VectorPath) {
        ItemExpectation again;
        ASSERT_TRUE(ExpectItemCategories(model, again, 2));
        for (const int threads : {2, 3}) {
            const MonteCarloResult other = simulate(model, table, 999, 5, threads, &items, &again);
            EXPECT_EQ(other.chiSquareP, one.chiSquareP);
            EXPECT_EQ(other.pooledChiSquareP, one.pooledChiSquareP);
            EXPECT_EQ(other.likelihoodRatioP, one.likelihoodRatioP);
            EXPECT_EQ(other.itemP, one.itemP);
        }
    });
    const MonteCarloResult reseeded = simulate(model, table, 999, 6, 2, &items, &expectation);
    EXPECT_TRUE(reseeded.chiSquareP != one.chiSquareP || reseeded.itemP != one.itemP);
}

// Under the model the simulated p-values are uniform: the largest distance
// of their empirical distribution from the uniform one (Kolmogorov and
// Smirnov) over 300 data sets stays below its 1% critical value.
TEST(MonteCarloTest, SimulatedPValuesAreUniformUnderTheModel)
{
    const FitModel model = smallModel();
    const ScoreTable shape = tableOf(model, {25, 25, 25, 25});
    AliasTable scores;
    ASSERT_TRUE(scores.build(shape.expected));
    std::vector<double> p;
    for (std::uint64_t set = 0; set < 300; ++set) {
        RandomStream random(1000, set);
        std::vector<double> observed(4, 0.0);
        for (int j = 0; j < 100; ++j)
            observed[scores.draw(random)] += 1.0;
        p.push_back(simulate(model, tableOf(model, observed), 199, set + 1, 2).chiSquareP);
    }
    std::sort(p.begin(), p.end());
    double distance = 0.0;
    for (std::size_t k = 0; k < p.size(); ++k)
        distance = std::max({distance, std::abs((k + 1.0) / p.size() - p[k]), std::abs(k * 1.0 / p.size() - p[k])});
    EXPECT_LT(distance, 1.63 / std::sqrt(300.0));
}

// Where the pairs' chi-square p leans on a df that parameters from
// elsewhere do not give, the simulated p holds the nominal rate on fitting
// tests, and still finds an item that copies another.
TEST_F(SimulatedTest, SimulatedPairPValuesHoldTheNominalRate)
{
    const auto simulatedPairs = [&](LocalDependence& dependence) {
        const RunOutcome extras = run();
        PairExpectation expectation;
        EXPECT_TRUE(ExpectPairCategories(extras.model, expectation, 2));
        dependence = ComputeLocalDependence(extras.pairs, expectation);
        const FitSummary summary = SummarizeFit(extras.table, 1.0);
        MonteCarloRequest request;
        request.model = &extras.model;
        request.subjects = extras.subjects;
        request.table = &extras.table;
        request.summary = &summary;
        request.pairs = &dependence;
        request.pairExpectation = &expectation;
        request.replicates = 99;
        request.threads = 2;
        std::string error;
        return SimulatePValues(request, error).value_or(MonteCarloResult{}).pairP;
    };
    int below = 0, asymptoticBelow = 0, count = 0;
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        simulate(200 + seed);
        LocalDependence dependence;
        const std::vector<double> p = simulatedPairs(dependence);
        ASSERT_EQ(p.size(), dependence.pairs.size());
        for (std::size_t k = 0; k < p.size(); ++k) {
            below += p[k] <= 0.05;
            asymptoticBelow += dependence.pairs[k].p <= 0.05;
            ++count;
        }
    }
    EXPECT_LT(below, 0.09 * count);
    EXPECT_GT(asymptoticBelow, 2 * below);  // what the simulation mends

    simulate(21, -1, 0.0, {3, 9});
    LocalDependence dependence;
    const std::vector<double> p = simulatedPairs(dependence);
    EXPECT_EQ(p[PairPosition(4, 10, kItems)], 0.01);
}
