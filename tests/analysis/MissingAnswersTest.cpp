#include "analysis/Analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <vector>

#include "stats/LocalDependenceFormat.h"
#include "tests/ShippedExample.h"
#include "tests/TempDirectory.h"
#include "tests/stats/SimulatedTest.h"

// The forms' figures against brute force: every response pattern of every
// form enumerated at every point of the latent distribution, the
// statistics written out from their definitions.

namespace {

constexpr int kMissing = 9;
using Rows = std::vector<std::vector<int>>;

void writeLines(const std::string& path, const std::vector<double>& values)
{
    std::ofstream out(path);
    out.precision(9);
    for (const double value : values)
        out << value << "\n";
}

void writeRows(const std::string& path, const Rows& rows)
{
    std::ofstream out(path);
    for (const std::vector<int>& row : rows) {
        for (const int code : row)
            out << code << ' ';
        out << '\n';
    }
}

// A small test in the temporary folder: binary 3PL items or graded ones of
// three categories, five nodes whose weights sum to 1.
struct SmallTest {
    bool graded = false;
    int items = 0;
    int K() const { return graded ? 3 : 2; }
    int lowest() const { return graded ? 1 : 0; }

    explicit SmallTest(bool graded, int items) : graded(graded), items(items)
    {
        std::vector<double> a, b, c;
        for (int i = 0; i < items; ++i) {
            a.push_back(0.6 + 0.25 * i);
            c.push_back(0.05 * (i % 3));
        }
        if (graded) {  // boundary by boundary, rising within each item
            for (int i = 0; i < items; ++i)
                b.push_back(-1.2 + 0.3 * i);
            for (int i = 0; i < items; ++i)
                b.push_back(0.1 + 0.35 * i);
        } else {
            for (int i = 0; i < items; ++i)
                b.push_back(-1.0 + 0.4 * i);
        }
        writeLines("a.dat", a);
        writeLines("b.dat", b);
        writeLines("c.dat", c);
        writeLines("nodes.dat", {-2.0, 0.1, -1.0, 0.2, 0.0, 0.4, 1.0, 0.2, 2.0, 0.1});
    }

    AnalysisRequest request(int subjects, const std::string& scores = "scores.dat") const
    {
        AnalysisRequest r;
        r.model = graded ? FitModel::Kind::Graded : FitModel::Kind::Binary;
        r.fit.subjectCount = subjects;
        r.fit.itemCount = items;
        r.fit.categoryCount = K();
        r.fit.parameterCount = 3;
        r.fit.discriminationFile = "a.dat";
        r.fit.difficultyFile = "b.dat";
        r.fit.cFile = "c.dat";
        r.fit.scoreFile = scores;
        r.fit.latentFile = "nodes.dat";
        r.fit.nodeCount = 5;
        r.countItems = r.countPairs = true;
        r.missing = MissingCodes({kMissing});
        return r;
    }
};

// Subjects of the given forms (the items each answers), in turn, with
// codes at random; a subject of nothing but missing codes and, for binary
// items, one with a code out of range besides.
Rows randomRows(const SmallTest& test, const std::vector<std::vector<int>>& forms, int subjects, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> code(test.lowest(), test.lowest() + test.K() - 1);
    Rows rows;
    for (int j = 0; j < subjects; ++j) {
        std::vector<int> row(static_cast<std::size_t>(test.items), kMissing);
        for (const int i : forms[static_cast<std::size_t>(j) % forms.size()])
            row[static_cast<std::size_t>(i)] = code(random);
        rows.push_back(row);
    }
    rows.push_back(std::vector<int>(static_cast<std::size_t>(test.items), kMissing));
    if (!test.graded) {
        rows.push_back(rows.front());
        rows.back()[0] = 7;
    }
    return rows;
}

// The model's category probabilities at each node, and the weights.
struct Points {
    std::vector<std::vector<double>> P;  // by node: item by item, K each
    std::vector<double> weight;
};
Points pointsOf(const FitModel& model)
{
    Points points;
    const std::size_t m = static_cast<std::size_t>(model.items.itemCount);
    const std::size_t K = static_cast<std::size_t>(model.items.categoryCount);
    const auto items = model.makeModel();
    for (std::size_t q = 0; q < model.theta.size(); ++q) {
        std::vector<double> P(m * K);
        items->categoriesAt(model.theta[q], P.data());
        points.P.push_back(P);
        points.weight.push_back(model.weight[q]);
    }
    return points;
}

// Σ_q w_q P(pattern of the form's items | θ_q), each pattern handed to
// use(categories by item, weighted probability).
template <typename Use>
void everyPattern(const Points& points, const std::vector<int>& form, int K, Use use)
{
    std::vector<int> categories(form.size(), 0);
    for (;;) {
        double probability = 0.0;
        for (std::size_t q = 0; q < points.P.size(); ++q) {
            double product = points.weight[q];
            for (std::size_t p = 0; p < form.size(); ++p)
                product *= points.P[q][static_cast<std::size_t>(form[p]) * K + categories[p]];
            probability += product;
        }
        use(categories, probability);
        std::size_t p = 0;
        while (p < form.size() && ++categories[p] == K)
            categories[p++] = 0;
        if (p == form.size())
            return;
    }
}

std::vector<int> formOf(const std::vector<int>& row)
{
    std::vector<int> form;
    for (std::size_t i = 0; i < row.size(); ++i)
        if (row[i] != kMissing)
            form.push_back(static_cast<int>(i));
    return form;
}

bool inRange(const std::vector<int>& row, const SmallTest& test)
{
    for (const int code : row)
        if (code != kMissing && (code < test.lowest() || code >= test.lowest() + test.K()))
            return false;
    return true;
}

void expectNear(double actual, double wanted, const std::string& what)
{
    EXPECT_NEAR(actual, wanted, 1e-10 * std::max(1.0, std::abs(wanted))) << what;
}

const std::vector<std::vector<int>> kBinaryForms = {{0, 1, 2, 3, 4, 5}, {0, 1, 2}, {2, 3, 4, 5}, {0, 5}, {1, 3, 4}};
const std::vector<std::vector<int>> kGradedForms = {{0, 1, 2, 3, 4}, {0, 1}, {1, 2, 3}, {2, 3, 4}};

class MissingAnswersTest : public InTempDirectory {};

}  // namespace

// Each form's subjects expected from the form's own distribution, added up
// over the forms; rows from the least total a form allows to the largest.
TEST_F(MissingAnswersTest, TheTableAddsUpTheFormsOwnDistributions)
{
    for (const bool graded : {false, true}) {
        const SmallTest test(graded, graded ? 5 : 6);
        const Rows rows = randomRows(test, graded ? kGradedForms : kBinaryForms, 300, 5);
        writeRows("scores.dat", rows);
        Analysis analysis(test.request(static_cast<int>(rows.size())));
        ASSERT_EQ(analysis.fit(), kAnalysisSuccess);
        const ScoreTable& table = analysis.table();
        const int K = test.K();

        std::map<std::vector<int>, double> forms;  // subjects by form
        std::map<int, double> observed;
        for (const std::vector<int>& row : rows) {
            const std::vector<int> form = formOf(row);
            if (form.empty())
                continue;
            forms[form] += 1.0;
            int total = 0;
            for (const int i : form)
                total += row[static_cast<std::size_t>(i)];
            observed[total] += 1.0;
        }
        const int least = graded ? 2 : 0, most = graded ? 15 : 6;
        ASSERT_EQ(table.firstScore, least);
        ASSERT_EQ(table.observed.size(), static_cast<std::size_t>(most - least + 1));
        std::vector<double> expected(table.observed.size(), 0.0);
        const Points points = pointsOf(analysis.model());
        for (const auto& [form, subjects] : forms)
            everyPattern(points, form, K, [&, &form = form, &subjects = subjects](const std::vector<int>& c, double p) {
                int total = static_cast<int>(form.size()) * test.lowest();
                for (const int k : c)
                    total += k;
                expected[static_cast<std::size_t>(total - least)] += subjects * p;
            });
        for (std::size_t s = 0; s < expected.size(); ++s) {
            const int score = least + static_cast<int>(s);
            EXPECT_EQ(table.observed[s], observed.count(score) ? observed[score] : 0.0) << score;
            expectNear(table.expected[s], expected[s], "expected at " + std::to_string(score));
        }
        ASSERT_NE(analysis.forms(), nullptr);
        EXPECT_EQ(analysis.forms()->forms().size(), forms.size());
        EXPECT_EQ(analysis.forms()->withoutAnswers(), 1u);
        bool warned = false;
        for (const FitWarning& warning : analysis.warnings())
            warned = warned || warning.kind == "no_answers";
        EXPECT_TRUE(warned);
    }
}

// S-X² and the pairs' X² from their definitions: each subject who answered
// item i, all its codes in range, adds to the group of its total t (0 < t <
// n_A(K − 1)) its own form's P(x_i = k | T_A = t); a pair's N are those who
// answered both.
TEST_F(MissingAnswersTest, ItemsAndPairsFromTheDefinitions)
{
    for (const bool graded : {false, true}) {
        const SmallTest test(graded, graded ? 5 : 6);
        const Rows rows = randomRows(test, graded ? kGradedForms : kBinaryForms, 900, 11);
        writeRows("scores.dat", rows);
        Analysis analysis(test.request(static_cast<int>(rows.size())));
        ASSERT_EQ(analysis.fit(), kAnalysisSuccess);
        ASSERT_TRUE(analysis.computeItemFit() && analysis.computePairs());
        const ItemFit& fit = *analysis.itemFit();
        const LocalDependence& dependence = *analysis.pairs();
        const Points points = pointsOf(analysis.model());
        const int m = test.items, K = test.K();

        // Each form's P(x_i = k, T = t), by item of the test.
        std::map<std::vector<int>, std::vector<double>> joint, total;
        for (const std::vector<int>& row : rows) {
            const std::vector<int> form = formOf(row);
            if (form.empty() || joint.count(form))
                continue;
            const std::size_t T = form.size() * static_cast<std::size_t>(K - 1) + 1;
            std::vector<double>& j = joint[form];
            std::vector<double>& t = total[form];
            j.assign(static_cast<std::size_t>(m) * T * K, 0.0);
            t.assign(T, 0.0);
            everyPattern(points, form, K, [&](const std::vector<int>& c, double p) {
                std::size_t sum = 0;
                for (const int k : c)
                    sum += static_cast<std::size_t>(k);
                t[sum] += p;
                for (std::size_t q = 0; q < form.size(); ++q)
                    j[(static_cast<std::size_t>(form[q]) * T + sum) * K + c[q]] += p;
            });
        }
        for (int i = 0; i < m; ++i) {
            std::size_t last = 0;
            for (const auto& [form, unused] : joint)
                if (std::find(form.begin(), form.end(), i) != form.end())
                    last = std::max(last, form.size() * static_cast<std::size_t>(K - 1));
            std::vector<ItemFit::Group> groups(last > 0 ? last - 1 : 0);
            double answered = 0.0;
            for (std::size_t g = 0; g < groups.size(); ++g) {
                groups[g].firstScore = groups[g].lastScore = static_cast<std::int32_t>(g + 1);
                groups[g].observed.assign(static_cast<std::size_t>(K), 0.0);
                groups[g].expected.assign(static_cast<std::size_t>(K), 0.0);
            }
            for (const std::vector<int>& row : rows) {
                const std::vector<int> form = formOf(row);
                if (row[static_cast<std::size_t>(i)] == kMissing || !inRange(row, test))
                    continue;
                answered += 1.0;
                std::size_t t = 0;
                for (const int item : form)
                    t += static_cast<std::size_t>(row[static_cast<std::size_t>(item)] - test.lowest());
                const std::size_t T = form.size() * static_cast<std::size_t>(K - 1);
                if (t == 0 || t >= T)
                    continue;
                ItemFit::Group& group = groups[t - 1];
                group.subjects += 1.0;
                group.observed[static_cast<std::size_t>(row[static_cast<std::size_t>(i)] - test.lowest())] += 1.0;
                for (int k = 0; k < K; ++k)
                    group.expected[static_cast<std::size_t>(k)] +=
                        joint[form][(static_cast<std::size_t>(i) * (T + 1) + t) * K + k] / total[form][t];
            }
            const std::vector<ItemFit::Group> merged = MergeItemGroups(groups, fit.minExpected);
            double sx2 = 0.0;
            for (const ItemFit::Group& group : merged)
                for (int k = 0; k < K; ++k)
                    if (group.expected[k] > 0.0)
                        sx2 += (group.observed[k] - group.expected[k]) * (group.observed[k] - group.expected[k]) /
                               group.expected[k];
            const ItemFit::Item& item = fit.items[static_cast<std::size_t>(i)];
            const std::string where = std::string(graded ? "graded" : "binary") + " item " + std::to_string(i + 1);
            expectNear(item.sx2, sx2, where);
            EXPECT_EQ(item.groups.size(), merged.size()) << where;
            EXPECT_EQ(item.df, static_cast<int>(merged.size()) * (K - 1) - analysis.model().parameterCount) << where;
            EXPECT_EQ(item.subjects, answered) << where;
        }

        double weights = 0.0;
        for (const double w : points.weight)
            weights += w;
        for (const LocalDependence::Pair& pair : dependence.pairs) {
            const std::size_t a = static_cast<std::size_t>(pair.first - 1), b = static_cast<std::size_t>(pair.second - 1);
            std::vector<double> o(static_cast<std::size_t>(K * K), 0.0);
            double N = 0.0;
            for (const std::vector<int>& row : rows)
                if (row[a] != kMissing && row[b] != kMissing && inRange(row, test)) {
                    N += 1.0;
                    o[static_cast<std::size_t>((row[a] - test.lowest()) * K + row[b] - test.lowest())] += 1.0;
                }
            double x2 = 0.0;
            for (int k = 0; k < K; ++k)
                for (int l = 0; l < K; ++l) {
                    double e = 0.0;
                    for (std::size_t q = 0; q < points.P.size(); ++q)
                        e += points.weight[q] / weights * points.P[q][a * K + k] * points.P[q][b * K + l];
                    e *= N;
                    x2 += (o[static_cast<std::size_t>(k * K + l)] - e) * (o[static_cast<std::size_t>(k * K + l)] - e) / e;
                }
            const std::string where = "pair " + std::to_string(pair.first) + "-" + std::to_string(pair.second);
            EXPECT_EQ(pair.both, N) << where;
            ASSERT_TRUE(pair.together) << where;
            expectNear(pair.x2, x2, where);
            expectNear(pair.v, std::sqrt(x2 / (N * (K - 1))), where);
        }
    }
}

// A pair no subject answered together has no figures, no flag, and no
// place among the p-values adjusted together.
TEST_F(MissingAnswersTest, APairNeverAnsweredTogether)
{
    const SmallTest test(false, 4);
    const Rows rows = randomRows(test, {{0, 1, 2}, {0, 1, 3}}, 400, 3);
    writeRows("scores.dat", rows);
    Analysis analysis(test.request(static_cast<int>(rows.size())));
    ASSERT_EQ(analysis.fit(), kAnalysisSuccess);
    ASSERT_TRUE(analysis.computePairs());
    const LocalDependence& dependence = *analysis.pairs();
    std::vector<double> p;
    for (const LocalDependence::Pair& pair : dependence.pairs)
        if (pair.first != 3 || pair.second != 4)
            p.push_back(pair.p);
    const std::vector<double> adjusted = AdjustBenjaminiHochberg(p);
    std::size_t next = 0;
    for (const LocalDependence::Pair& pair : dependence.pairs) {
        if (pair.first == 3 && pair.second == 4) {
            EXPECT_FALSE(pair.together);
            EXPECT_FALSE(pair.flagged);
            EXPECT_EQ(pair.both, 0.0);
            continue;
        }
        EXPECT_TRUE(pair.together);
        EXPECT_EQ(pair.pAdjusted, adjusted[next++]);
    }
    std::ostringstream json, csv;
    WritePairsJson(json, dependence, nullptr);
    EXPECT_NE(json.str().find(R"({"both":0,"df":1,"first":3,"flagged":false,"p":null,"p_adjusted":null,)"
                              R"("second":4,"sign":null,"v":null,"x2":null})"),
              std::string::npos)
        << json.str();
    WritePairsCsv(csv, dependence, nullptr);
    EXPECT_NE(csv.str().find("\n3,4,,1,,,,,false,0\n"), std::string::npos) << csv.str();
    std::ostringstream table;
    WritePairsTable(table, dependence, nullptr, 20);
    EXPECT_EQ(table.str().find("\n    3      4"), std::string::npos) << table.str();
}

// With missing codes that no subject uses, every figure is the one the run
// gives without them, to the bit, simulated p-values included.
TEST_F(MissingAnswersTest, NothingMissingKeepsEveryBit)
{
    for (const auto& [model, latent] : {std::pair{"3pl", "nodes51"}, {"grm", "estimates"}}) {
        AnalysisRequest request;
        request.model = ShippedExampleModel(model);
        request.fit = ShippedExampleRequest(model, latent);
        request.countItems = request.countPairs = true;
        Analysis plain(request);
        request.missing = MissingCodes({std::string(model) == "grm" ? 0 : -1, 9});
        Analysis missing(request);
        for (Analysis* run : {&plain, &missing}) {
            ASSERT_EQ(run->fit(), kAnalysisSuccess) << model;
            ASSERT_TRUE(run->computeItemFit() && run->computePairs());
        }
        EXPECT_EQ(missing.table().firstScore, plain.table().firstScore);
        EXPECT_EQ(missing.table().observed, plain.table().observed) << model;
        EXPECT_EQ(missing.table().expected, plain.table().expected) << model;
        EXPECT_EQ(missing.table().chiSquare, plain.table().chiSquare) << model;
        for (std::size_t i = 0; i < plain.itemFit()->items.size(); ++i) {
            const ItemFit::Item &a = plain.itemFit()->items[i], &b = missing.itemFit()->items[i];
            EXPECT_EQ(a.sx2, b.sx2) << model << " item " << i + 1;
            EXPECT_EQ(a.p, b.p);
            EXPECT_EQ(a.rmsea, b.rmsea);
            EXPECT_EQ(a.groups.size(), b.groups.size());
            EXPECT_EQ(a.groups.front().firstScore, b.groups.front().firstScore);
        }
        for (std::size_t k = 0; k < plain.pairs()->pairs.size(); ++k) {
            EXPECT_EQ(plain.pairs()->pairs[k].x2, missing.pairs()->pairs[k].x2) << model << " pair " << k;
            EXPECT_EQ(plain.pairs()->pairs[k].pAdjusted, missing.pairs()->pairs[k].pAdjusted);
        }
        std::string error;
        const auto a = plain.simulate(30, 4, true, true, error), b = missing.simulate(30, 4, true, true, error);
        ASSERT_TRUE(a && b) << error;
        EXPECT_EQ(a->chiSquareP, b->chiSquareP);
        EXPECT_EQ(a->itemP, b->itemP);
        EXPECT_EQ(a->pairP, b->pairP);
    }
}

TEST_F(MissingAnswersTest, CodesWithinTheModelAreRefused)
{
    MissingCodes codes;
    std::string error;
    EXPECT_TRUE(ParseMissingCodes(" -1, 99 ,9", codes, error));
    EXPECT_EQ(codes.text(), "-1,9,99");
    EXPECT_TRUE(ParseMissingCodes("", codes, error) && codes.empty());
    for (const char* bad : {"9,", "9,,8", "x", "1e3", "9 8", "99999999999", "+"}) {
        codes = MissingCodes({5});
        EXPECT_FALSE(ParseMissingCodes(bad, codes, error)) << bad;
        EXPECT_EQ(codes.text(), "5") << bad;
        EXPECT_FALSE(error.empty());
    }

    const SmallTest binary(false, 4), graded(true, 4);
    writeRows("scores.dat", {{0, 1, 1, 0}});
    AnalysisRequest request = binary.request(1);
    request.missing = MissingCodes({9, 1});
    Analysis refused(request);
    EXPECT_EQ(refused.fit(), kRequestRefused);
    EXPECT_EQ(refused.describe(kRequestRefused, "."),
              "Cannot take these missing codes: the missing code 1 is one of the model's codes, 0 to 1.");
    request = graded.request(1);
    request.missing = MissingCodes({0});
    EXPECT_EQ(Analysis(request).fit(), kAnalysisSuccess);  // graded codes start at 1
    request.missing = MissingCodes({3});
    EXPECT_EQ(Analysis(request).fit(), kRequestRefused);
}

// The forms' work is shared among threads form by form, or within a form:
// the same bits either way.
TEST_F(MissingAnswersTest, TheSameBitsOnOneTwoAndThreeThreads)
{
    const SmallTest test(false, 6);
    const Rows rows = randomRows(test, kBinaryForms, 500, 17);
    writeRows("scores.dat", rows);
    std::vector<std::vector<double>> figures;
    for (const int threads : {1, 2, 3}) {
        AnalysisRequest request = test.request(static_cast<int>(rows.size()));
        request.threads = threads;
        Analysis analysis(request);
        ASSERT_EQ(analysis.runWhole(40, 9), kAnalysisSuccess);
        std::vector<double> all = analysis.table().expected;
        for (const ItemFit::Item& item : analysis.itemFit()->items)
            all.push_back(item.sx2);
        for (const LocalDependence::Pair& pair : analysis.pairs()->pairs)
            all.push_back(pair.x2);
        const MonteCarloResult& simulated = *analysis.simulated();
        all.insert(all.end(), simulated.itemP.begin(), simulated.itemP.end());
        all.insert(all.end(), simulated.pairP.begin(), simulated.pairP.end());
        all.push_back(simulated.chiSquareP);
        figures.push_back(all);
    }
    EXPECT_EQ(figures[0], figures[1]);
    EXPECT_EQ(figures[0], figures[2]);
}

namespace {

// A booklet design: the simulated test's 15 items in blocks of five,
// booklet b holding blocks b and b + 1 (of three, around).
class BookletTest : public SimulatedTest {
protected:
    void simulateBooklets(std::uint64_t seed, int misfit = -1, double shift = 0.0)
    {
        simulate(seed, misfit, shift, {-1, -1}, [](int j, int i) { return i / 5 == (j + 2) % 3; });
    }
    static AnalysisRequest booklets()
    {
        AnalysisRequest r;
        r.fit = request();
        r.countItems = true;
        r.missing = MissingCodes({kMissing});
        return r;
    }
};

}  // namespace

TEST_F(BookletTest, AnItemThatMisfitsIsFlagged)
{
    simulateBooklets(3, 6, 0.8);
    Analysis analysis(booklets());
    ASSERT_EQ(analysis.runWhole(0, 1), kAnalysisSuccess);
    const ItemFit& fit = *analysis.itemFit();
    ASSERT_EQ(analysis.forms()->forms().size(), 3u);
    EXPECT_TRUE(fit.items[6].flagged);
    EXPECT_LT(*fit.items[6].pAdjusted, 1e-4);
    EXPECT_EQ(fit.items[6].subjects, 2 * kSubjects / 3);
    // It pulls its booklets' totals, so others may be flagged too, but none
    // as strongly.
    for (const ItemFit::Item& item : fit.items)
        EXPECT_TRUE(item.item == 7 || *item.p > *fit.items[6].p) << item.item;
}

// Under the model the simulated p-values of the items fall below 0.05 about
// one time in twenty, and above 0.95 as often: a replicate whose subjects
// answered items outside their booklets would misfit those items and pin
// their p at 1. Benjamini–Hochberg flags an item in about one data set in
// twenty.
TEST_F(BookletTest, FittingBookletsFlagNoMoreThanTheNominalRate)
{
    int below = 0, above = 0, flagged = 0, items = 0;
    for (unsigned seed = 1; seed <= 5; ++seed) {
        simulateBooklets(100 + seed);
        Analysis analysis(booklets());
        ASSERT_EQ(analysis.runWhole(99, seed), kAnalysisSuccess);
        for (std::size_t i = 0; i < static_cast<std::size_t>(kItems); ++i) {
            below += analysis.simulated()->itemP[i] < 0.05;
            above += analysis.simulated()->itemP[i] > 0.95;
            flagged += analysis.itemFit()->items[i].flagged;
            ++items;
        }
    }
    EXPECT_LE(below, items / 20 + 8);
    EXPECT_LE(above, items / 20 + 8);
    EXPECT_LE(flagged, 2);
}
