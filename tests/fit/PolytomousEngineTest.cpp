#include "tests/fit/EngineFixture.h"

#include <cstdlib>
#include <cstring>

#include "model/ItemResponse.h"
#include "tests/EveryVectorPath.h"

namespace {

// The engines' plain entries, as the program's first runs called them.
using PlainEngine = FitResult (*)(const FitRequest&, ScoreTable*, FitWarnings*);
const PlainEngine kPolytomousEngines[] = {FitGradedModel, FitPartialCreditModel};

class PolytomousEngineTest : public EngineTest {
protected:
    // Two items with three categories at a single node of weight 1.
    FitRequest request(const std::string& parameters)
    {
        write("params.dat", parameters);
        write("scores.dat", "1 1\n2 3\n3 3\n2 2\n");
        write("node.dat", "0 1\n");
        FitRequest r;
        r.subjectCount = 4;
        r.itemCount = 2;
        r.categoryCount = 3;
        r.difficultyFile = "params.dat";
        r.scoreFile = "scores.dat";
        r.latentFile = "node.dat";
        r.nodeCount = 1;
        r.discriminationConstant = 1;
        r.parameterCount = 1;
        return r;
    }
};

TEST_F(PolytomousEngineTest, GradedTwoItemsAtOneNode)
{
    // Thresholds boundary by boundary: both items have -1 and 1.
    ASSERT_EQ(FitGradedModel(request("-1 -1\n1 1\n")), kFitSuccess);
    const GraphReport report = ReadGraphReport();
    ASSERT_TRUE(report.complete);
    EXPECT_EQ(report.rows.front().score, 2);
    EXPECT_EQ(report.rows.back().score, 6);
    EXPECT_EQ(observed(report), (std::vector<int>{1, 0, 1, 1, 1}));
    expectNear(expected(report), {4 * 0.0723, 4 * 0.2486, 4 * 0.3582, 4 * 0.2486, 4 * 0.0723}, 4e-4);
}

TEST_F(PolytomousEngineTest, ParametersAreReadBoundaryByBoundary)
{
    // Item 1: -1, 0.5; item 2: 0.2, 1.5.
    const float item1[] = {-1, 0.5f}, item2[] = {0.2f, 1.5f};
    for (auto [fit, categories] :
         {std::pair{kPolytomousEngines[0], GradedCategoryProbabilities},
          std::pair{kPolytomousEngines[1], PartialCreditProbabilities}}) {
        ASSERT_EQ(fit(request("-1 0.2 0.5 1.5"), nullptr, nullptr), kFitSuccess);
        double p1[3], p2[3];
        categories(1, 0, item1, 2, p1);
        categories(1, 0, item2, 2, p2);
        std::vector<double> wanted(5, 0.0);
        for (int x = 0; x < 3; ++x)
            for (int y = 0; y < 3; ++y)
                wanted[x + y] += 4 * p1[x] * p2[y];
        expectNear(expected(ReadGraphReport()), wanted, 1e-4);
    }
}

TEST_F(PolytomousEngineTest, PartialCreditSingleItem)
{
    FitRequest r = request("-1 1");
    r.itemCount = 1;
    write("scores.dat", "1 2 2 3");
    ASSERT_EQ(FitPartialCreditModel(r), kFitSuccess);
    const GraphReport report = ReadGraphReport();
    EXPECT_EQ(report.rows.front().score, 1);
    EXPECT_EQ(observed(report), (std::vector<int>{1, 2, 1}));
    expectNear(expected(report), {4 * 0.2119, 4 * 0.5761, 4 * 0.2119}, 4e-4);
}

TEST_F(PolytomousEngineTest, CodesOutsideTheCategoriesCountInNoRow)
{
    FitRequest r = request("-1 -1 1 1");
    write("scores.dat", "0 1\n3 4\n2 2\n3 3\n");  // totals 1, 7, 4, 6
    ASSERT_EQ(FitGradedModel(r), kFitSuccess);
    EXPECT_EQ(observed(ReadGraphReport()), (std::vector<int>{0, 0, 1, 0, 1}));
}

TEST_F(PolytomousEngineTest, SingleCategoryHasOneRow)
{
    FitRequest r = request("");
    r.categoryCount = 1;
    write("scores.dat", "1 1 1 1 1 1 1 2");
    write("node.dat", "0 0.5 1 1.5");
    r.nodeCount = 2;
    ASSERT_EQ(FitGradedModel(r), kFitSuccess);
    const GraphReport report = ReadGraphReport();
    ASSERT_EQ(report.rows.size(), 1u);
    EXPECT_EQ(report.rows[0].score, 2);
    EXPECT_EQ(report.rows[0].observed, 3);
    EXPECT_EQ(report.rows[0].expected, 8.0f);  // N times the weights' sum of 2
}

TEST_F(PolytomousEngineTest, MetricChangesNothingAndUnneededFilesStayShut)
{
    for (const PlainEngine fit : kPolytomousEngines) {
        FitRequest r = request("-1 0 0.5 1");
        r.discriminationFile = "missing-a";
        r.cFile = "missing-c";
        r.metric = 0;
        ASSERT_EQ(fit(r, nullptr, nullptr), kFitSuccess);
        const std::string normal = read("OUT") + read("OUTG");
        r.metric = 1;
        ASSERT_EQ(fit(r, nullptr, nullptr), kFitSuccess);
        EXPECT_EQ(read("OUT") + read("OUTG"), normal);

        r.parameterCount = 3;
        EXPECT_EQ(fit(r, nullptr, nullptr), kDiscriminationFileError);
        write("a.dat", "1 1");
        r.discriminationFile = "a.dat";
        EXPECT_EQ(fit(r, nullptr, nullptr), kFitSuccess);
        r.scoreFile = "missing";
        EXPECT_EQ(fit(r, nullptr, nullptr), kScoreFileError);
    }
}

TEST_F(PolytomousEngineTest, ExtremeAbilitiesStayFinite)
{
    for (const PlainEngine fit : kPolytomousEngines) {
        FitRequest r = request("-1 -1 1 1");
        write("node.dat", "900 0.5 -900 0.5");
        r.nodeCount = 2;
        r.discriminationConstant = 2;
        ASSERT_EQ(fit(r, nullptr, nullptr), kFitSuccess);
        expectNear(expected(ReadGraphReport()), {2, 0, 0, 0, 2}, 1e-9);
    }
}

TEST_F(PolytomousEngineTest, StorageThatCannotBeHadIsAResultNotACrash)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer's allocator ends the process on an impossible size instead of failing it";
#endif
    FitRequest r = request("");
    r.itemCount = 2147483647;
    r.categoryCount = 100;
    write("OUT", "earlier");
    EXPECT_EQ(FitGradedModel(r), kOutOfMemory);
    EXPECT_EQ(read("OUT"), "earlier");
}

TEST_F(PolytomousEngineTest, DecreasingThresholdsEnterUnchanged)
{
    FitRequest r = request("1 1 -1 -1");  // both items: 1 then -1
    ASSERT_EQ(FitGradedModel(r), kFitSuccess);
    // Categories (0.7311, -0.4621, 0.7311) per item, convolved.
    const double p[] = {1 - 1 / (1 + std::exp(1.0)), 1 / (1 + std::exp(1.0)) - 1 / (1 + std::exp(-1.0)),
                        1 / (1 + std::exp(-1.0))};
    expectNear(expected(ReadGraphReport()),
               {4 * p[0] * p[0], 8 * p[0] * p[1], 4 * (2 * p[0] * p[2] + p[1] * p[1]), 8 * p[1] * p[2],
                4 * p[2] * p[2]},
               1e-4);
}

// Both models on the subjects' estimates and on nodes give the same table,
// bit for bit, on every vector path and thread count.
TEST_F(PolytomousEngineTest, ReportsTheSameOnEveryPathAndThreadCount)
{
    const int items = 23, categories = 5, subjects = 2000;
    std::string scores, thresholds, estimates, nodes;
    unsigned state = 99;
    const auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16; };
    for (int j = 0; j < subjects; ++j)
        for (int i = 0; i < items; ++i)
            scores += std::to_string(1 + next() % categories) + (i + 1 == items ? "\n" : " ");
    for (int k = 0; k < categories - 1; ++k)
        for (int i = 0; i < items; ++i)
            thresholds += std::to_string(-1.5 + k + (i % 7) / 10.0) + " ";
    for (int j = 0; j < subjects; ++j)
        estimates += std::to_string((static_cast<int>(next() % 601) - 300) / 100.0) + "\n";
    for (int q = 0; q < 41; ++q) {
        const double theta = -4 + q * 0.2;
        nodes += std::to_string(theta) + " " + std::to_string(std::exp(-0.5 * theta * theta)) + "\n";
    }
    write("scores.dat", scores);
    write("params.dat", thresholds);
    write("theta.dat", estimates);
    write("node.dat", nodes);
    FitRequest r;
    r.subjectCount = subjects;
    r.itemCount = items;
    r.categoryCount = categories;
    r.difficultyFile = "params.dat";
    r.scoreFile = "scores.dat";
    r.discriminationConstant = 1.3;
    r.parameterCount = 1;
    const auto bits = [](const ScoreTable& table) {
        std::vector<double> values = table.expected;
        values.push_back(table.chiSquare);
        return std::string(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(double));
    };
    for (const FitEngineFunction fit : {EngineOf(FitModel::Kind::Graded), EngineOf(FitModel::Kind::PartialCredit)})
        for (const auto& [latent, count] : {std::pair{"theta.dat", subjects}, std::pair{"node.dat", 41}}) {
            r.latentFile = latent;
            r.nodeCount = count;
            std::string first;
            OnEveryVectorPath([&](VectorPath) {
                for (const int threads : {1, 2, 3}) {
                    RunRequest asked;
                    asked.fit = r;
                    asked.threads = threads;
                    RunOutcome outcome;
                    ASSERT_EQ(fit(asked, outcome), kFitSuccess);
                    if (first.empty())
                        first = bits(outcome.table);
                    else
                        EXPECT_EQ(bits(outcome.table), first) << latent << ", " << threads << " threads";
                }
            });
        }
}

}  // namespace
