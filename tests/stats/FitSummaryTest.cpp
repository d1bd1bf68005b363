#include "stats/FitSummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <optional>
#include <tuple>
#include <vector>

#include "stats/SummaryFormat.h"
#include "stats/TextFormat.h"

namespace {

ScoreTable table(const std::vector<double>& observed, const std::vector<double>& expected, int firstScore = 0)
{
    ScoreTable t;
    t.firstScore = firstScore;
    t.observed = observed;
    t.expected = expected;
    for (std::size_t k = 0; k < expected.size(); ++k)
        if (expected[k] > 0)
            t.chiSquare += (observed[k] - expected[k]) * (observed[k] - expected[k]) / expected[k];
    return t;
}

std::vector<std::pair<int, int>> ranges(const FitSummary& summary)
{
    std::vector<std::pair<int, int>> cells;
    for (const FitSummary::Cell& cell : summary.cells)
        cells.emplace_back(cell.firstScore, cell.lastScore);
    return cells;
}

// Critical values of the chi-square distribution at 0.05, from the
// published tables, and closed forms for one and two degrees of freedom.
TEST(ChiSquareTest, UpperTailMatchesTablesAndClosedForms)
{
    struct {
        double x;
        int df;
    } const critical[] = {{3.841459, 1}, {5.991465, 2}, {18.307038, 10}, {31.410433, 20}, {124.342113, 100}};
    for (const auto& c : critical)
        EXPECT_NEAR(ChiSquareUpperTail(c.x, c.df), 0.05, 2e-8) << c.df;
    for (double x : {0.01, 0.5, 3.0, 17.0, 60.0}) {
        EXPECT_NEAR(ChiSquareUpperTail(x, 2), std::exp(-x / 2), 1e-14 * std::exp(-x / 2) + 1e-300) << x;
        EXPECT_NEAR(ChiSquareUpperTail(x, 1), std::erfc(std::sqrt(x / 2)), 1e-14) << x;
    }
    EXPECT_EQ(ChiSquareUpperTail(0.0, 5), 1.0);
}

TEST(FitSummaryTest, PoolsFromEachTailInwards)
{
    struct Case {
        const char* name;
        std::vector<double> expected;
        std::vector<std::pair<int, int>> cells;
    };
    const Case cases[] = {
        {"all cells large", {6, 20, 30, 20, 6}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}},
        {"sparse tails", {0.5, 1, 2, 10, 20, 10, 2, 1, 0.5}, {{0, 3}, {4, 4}, {5, 8}}},
        {"a sparse stretch inside", {10, 1, 1, 10, 10}, {{0, 0}, {1, 3}, {4, 4}}},
        {"sparse at the end of the middle", {10, 10, 1, 10}, {{0, 0}, {1, 1}, {2, 3}}},
        {"everything sparse", {1, 1, 1, 1}, {{0, 3}}},
        {"tails meet", {3, 3, 3}, {{0, 2}}},
    };
    for (const Case& c : cases) {
        const FitSummary summary = SummarizeFit(table(c.expected, c.expected));
        EXPECT_EQ(ranges(summary), c.cells) << c.name;
        EXPECT_EQ(summary.testable(), c.cells.size() >= 2) << c.name;
    }
}

TEST(FitSummaryTest, StatisticsOnTheCells)
{
    // Observed (2, 3, 5, 30, 15, 9), expected (1, 2, 4, 28, 20, 9): the
    // cells are scores 10-12 (10 against 7), 13, 14 and 15.
    const FitSummary s = SummarizeFit(table({2, 3, 5, 30, 15, 9}, {1, 2, 4, 28, 20, 9}, 10));
    ASSERT_EQ(ranges(s), (std::vector<std::pair<int, int>>{{10, 12}, {13, 13}, {14, 14}, {15, 15}}));
    const double chi = 9.0 / 7 + 4.0 / 28 + 25.0 / 20 + 0.0;
    const double g2 = 2 * (10 * std::log(10.0 / 7) + 30 * std::log(30.0 / 28) + 15 * std::log(15.0 / 20));
    EXPECT_NEAR(s.pooledChiSquare, chi, 1e-12);
    EXPECT_NEAR(s.likelihoodRatio, g2, 1e-12);
    EXPECT_EQ(s.degreesOfFreedom, 3);
    EXPECT_NEAR(s.pooledP, ChiSquareUpperTail(chi, 3), 1e-15);
    EXPECT_NEAR(s.scores[0].contribution, 1.0, 1e-15);
    EXPECT_NEAR(s.scores[4].residual, -5 / std::sqrt(20.0), 1e-15);
    EXPECT_EQ(s.scores[0].score, 10);

    // A larger minimum pools more, down to one cell and no test.
    EXPECT_EQ(SummarizeFit(table({2, 3, 5, 30, 15, 9}, {1, 2, 4, 28, 20, 9}), 25).cells.size(), 2u);
    const FitSummary single = SummarizeFit(table({2, 3}, {1, 2}));
    EXPECT_FALSE(single.testable());
    EXPECT_EQ(FormatPooledLine(single), "Pooled chi-square: fewer than two cells expect at least 5 subjects: no test");
}

TEST(FitSummaryTest, CsvAndJsonReadBack)
{
    const FitSummary s = SummarizeFit(table({2, 3, 5, 30, 15, 9}, {1, 2, 4, 28, 20.123456789012345, 9}));

    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(FormatSummaryJson(s)));
    ASSERT_TRUE(json.isObject());
    const QJsonObject root = json.object();
    EXPECT_EQ(root["chi_square"].toDouble(), s.chiSquare);
    EXPECT_EQ(root["pooled"]["df"].toInt(), 3);
    EXPECT_EQ(root["pooled"]["p"].toDouble(), s.pooledP);
    EXPECT_EQ(root["pooled"]["likelihood_ratio"].toDouble(), s.likelihoodRatio);
    EXPECT_EQ(root["cells"].toArray().size(), 4);
    EXPECT_EQ(root["scores"].toArray()[4].toObject()["expected"].toDouble(), 20.123456789012345);
    EXPECT_EQ(root["pooling_rule"].toString().toStdString(), PoolingRule(5));
    const QJsonDocument none = QJsonDocument::fromJson(
        QByteArray::fromStdString(FormatSummaryJson(SummarizeFit(table({2, 3}, {1, 2})))));
    EXPECT_TRUE(none.object()["pooled"].isNull());

    // CSV: every field of every row, parsed and compared with its figure.
    std::istringstream csv(FormatSummaryCsv(s));
    const auto fields = [&csv] {
        std::string line;
        std::getline(csv, line);
        std::vector<std::string> parts;
        std::istringstream row(line);
        for (std::string part; std::getline(row, part, ',');)
            parts.push_back(part);
        if (!line.empty() && line.back() == ',')
            parts.emplace_back();
        return parts;
    };
    using Fields = std::vector<std::string>;
    EXPECT_EQ(fields(), (Fields{"statistic", "value", "df", "p"}));
    const Fields chi = fields();
    ASSERT_EQ(chi.size(), 4u);
    EXPECT_EQ(chi[0], "chi_square");
    EXPECT_EQ(std::stod(chi[1]), s.chiSquare);
    EXPECT_EQ(chi[2] + chi[3], "");
    for (const auto& [name, value, p] : {std::tuple{"pooled_chi_square", s.pooledChiSquare, s.pooledP},
                                         std::tuple{"likelihood_ratio", s.likelihoodRatio, s.likelihoodRatioP}}) {
        const Fields row = fields();
        ASSERT_EQ(row.size(), 4u);
        EXPECT_EQ(row[0], name);
        EXPECT_EQ(std::stod(row[1]), value);
        EXPECT_EQ(std::stoi(row[2]), s.degreesOfFreedom);
        EXPECT_EQ(std::stod(row[3]), p);
    }
    EXPECT_EQ(fields(), Fields{});
    EXPECT_EQ(fields(), (Fields{"score", "observed", "expected", "contribution", "residual", "cell"}));
    for (const FitSummary::Score& score : s.scores) {
        const Fields row = fields();
        ASSERT_EQ(row.size(), 6u);
        EXPECT_EQ(std::stoi(row[0]), score.score);
        EXPECT_EQ(std::stod(row[1]), score.observed);
        EXPECT_EQ(std::stod(row[2]), score.expected);
        EXPECT_EQ(std::stod(row[3]), score.contribution);
        EXPECT_EQ(std::stod(row[4]), score.residual);
        const int cell = std::stoi(row[5]);
        ASSERT_GE(cell, 1);
        ASSERT_LE(cell, static_cast<int>(s.cells.size()));
        EXPECT_GE(score.score, s.cells[cell - 1].firstScore);
        EXPECT_LE(score.score, s.cells[cell - 1].lastScore);
    }
    EXPECT_EQ(fields(), Fields{});
}

}  // namespace

TEST(PValueTextTest, FourDecimalsAndNoneReadAsZero)
{
    const std::vector<std::pair<std::optional<double>, const char*>> cases = {
        {1.0, "1.0000"},        {0.99995, "1.0000"}, {0.5, "0.5000"},     {0.08317, "0.0832"},
        {0.0001, "0.0001"},     {0.00009999, "<0.0001"}, {1e-300, "<0.0001"}, {0.0, "<0.0001"},
        {std::nullopt, "\u2014"}, {std::nan(""), "\u2014"},
    };
    for (const auto& [p, text] : cases)
        EXPECT_EQ(PValueText(p), text) << (p ? *p : -1.0);
}
