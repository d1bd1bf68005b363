#include "stats/ItemFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include <nlohmann/json.hpp>

#include "fit/FitEngine.h"
#include "model/ItemExpectation.h"
#include "stats/ItemFitFormat.h"
#include "stats/LocalDependenceFormat.h"
#include "tests/ShippedExample.h"
#include "tests/TempDirectory.h"
#include "tests/stats/SimulatedTest.h"

namespace {

ItemFit::Group group(int score, double subjects, std::vector<double> observed, std::vector<double> expected)
{
    ItemFit::Group g;
    g.firstScore = g.lastScore = score;
    g.subjects = subjects;
    g.observed = std::move(observed);
    g.expected = std::move(expected);
    return g;
}

std::vector<std::pair<int, int>> ranges(const std::vector<ItemFit::Group>& groups)
{
    std::vector<std::pair<int, int>> r;
    for (const ItemFit::Group& g : groups)
        r.emplace_back(g.firstScore, g.lastScore);
    return r;
}

}  // namespace

// Groups join forwards while one of their categories expects too few, the
// last backwards, and observed and expected counts add up.
TEST(ItemFitTest, MergingRule)
{
    using Ranges = std::vector<std::pair<int, int>>;
    const std::vector<ItemFit::Group> shortFirst = {group(1, 2, {1, 1}, {0.4, 1.6}), group(2, 5, {2, 3}, {2, 3}),
                                                    group(3, 5, {1, 4}, {1.5, 3.5})};
    EXPECT_EQ(ranges(MergeItemGroups(shortFirst, 1.0)), (Ranges{{1, 2}, {3, 3}}));
    const auto merged = MergeItemGroups(shortFirst, 1.0);
    EXPECT_DOUBLE_EQ(merged[0].subjects, 7);
    EXPECT_DOUBLE_EQ(merged[0].observed[1], 4);
    EXPECT_DOUBLE_EQ(merged[0].expected[0], 2.4);

    // A short group that stays short after joining joins on.
    const std::vector<ItemFit::Group> chain = {group(1, 1, {1, 0}, {0.2, 0.8}), group(2, 1, {0, 1}, {0.3, 0.7}),
                                               group(3, 3, {1, 2}, {1.2, 1.8}), group(4, 6, {3, 3}, {3, 3})};
    EXPECT_EQ(ranges(MergeItemGroups(chain, 1.0)), (Ranges{{1, 3}, {4, 4}}));

    // The last group joins the one before it.
    const std::vector<ItemFit::Group> shortLast = {group(1, 5, {2, 3}, {2, 3}), group(2, 5, {1, 4}, {1.5, 3.5}),
                                                   group(3, 2, {0, 2}, {0.1, 1.9})};
    EXPECT_EQ(ranges(MergeItemGroups(shortLast, 1.0)), (Ranges{{1, 1}, {2, 3}}));

    // Everything short ends as one group; a larger minimum merges more.
    const std::vector<ItemFit::Group> sparse = {group(1, 1, {1, 0}, {0.2, 0.8}), group(2, 1, {0, 1}, {0.3, 0.7})};
    EXPECT_EQ(ranges(MergeItemGroups(sparse, 1.0)), (Ranges{{1, 2}}));
    EXPECT_EQ(ranges(MergeItemGroups(shortFirst, 2.0)), (Ranges{{1, 3}}));
    EXPECT_TRUE(MergeItemGroups({}, 1.0).empty());
}

TEST(ItemFitTest, BenjaminiHochbergAgainstWorkedValues)
{
    const std::vector<double> p = {0.04, 0.005, 0.5, 0.009, 0.2};
    const std::vector<double> want = {0.2 / 3, 0.0225, 0.5, 0.0225, 0.25};
    const std::vector<double> got = AdjustBenjaminiHochberg(p);
    for (std::size_t k = 0; k < p.size(); ++k)
        EXPECT_NEAR(got[k], want[k], 1e-15) << k;
    EXPECT_EQ(AdjustBenjaminiHochberg({0.9, 0.95}), (std::vector<double>{0.95, 0.95}));
    EXPECT_EQ(AdjustBenjaminiHochberg({0.6, 0.6, 0.7}), (std::vector<double>{0.7, 0.7, 0.7}));
    EXPECT_DOUBLE_EQ(AdjustBenjaminiHochberg({0.8, 0.3})[0], 0.8);
    EXPECT_DOUBLE_EQ(AdjustBenjaminiHochberg({0.6, 0.45})[1], 0.6);  // 0.9 capped by the larger p
    EXPECT_TRUE(AdjustBenjaminiHochberg({}).empty());
}

namespace {

// Printed by tests/reference/item_fit.py: the model formulas written out
// anew, each item's f₋ᵢ convolved from the other items at every point.
struct Reference {
    const char* model;
    const char* latent;  // nodes20, nodes51 or estimates
    std::vector<double> sx2;
    std::vector<std::size_t> groups;
};
const Reference kReferences[] = {
    {"3pl", "nodes51",
     {11.7991662951, 9.9398530578, 14.5339234477, 28.0260501619, 9.0615690126, 8.3149169598, 24.4689733987, 13.9222646930, 9.7382167499, 9.5119952394, 12.8144879136, 16.5705852648, 15.5985222944, 17.6367532542, 13.6223817230, 19.8289860281, 15.1161041353, 18.9967976729, 16.7763973397, 15.0207985268},
     {16, 17, 16, 17, 15, 14, 16, 17, 16, 10, 16, 16, 16, 15, 14, 16, 16, 17, 17, 16}},
    {"grm", "estimates",
     {89.0154259023, 58.9963614178, 62.6883559433, 52.1885938665, 69.8575901446, 53.6626558472, 96.2712470788, 42.4527251333, 43.0013583834, 54.0486025948},
     {21, 18, 18, 18, 22, 17, 21, 14, 17, 20}},
    {"pcm", "nodes20",
     {23.6203449662, 8.7467619704, 33.9762152510, 27.4417916018, 32.5744485375, 31.9447474882, 40.4284328957, 48.9429421907, 38.1444558121, 25.4892023141},
     {13, 5, 10, 14, 15, 13, 14, 9, 14, 14}},
};

}  // namespace

TEST(ItemFitTest, ShippedExamplesAgreeWithTheReference)
{
    TempDirectory folder;
    for (const Reference& reference : kReferences) {
        const std::string model = reference.model;
        RunOutcome run;
        ASSERT_EQ(RunShippedExample(model, reference.latent, run), kFitSuccess) << model;
        ItemExpectation expectation;
        ASSERT_TRUE(ExpectItemCategories(run.model, expectation, 2));
        const ItemFit fit = ComputeItemFit(run.byItem, expectation, run.model.parameterCount, run.table.firstScore);
        ASSERT_EQ(fit.items.size(), reference.sx2.size()) << model;
        for (std::size_t i = 0; i < fit.items.size(); ++i) {
            EXPECT_NEAR(fit.items[i].sx2, reference.sx2[i], 1e-9 * reference.sx2[i]) << model << " item " << i + 1;
            EXPECT_EQ(fit.items[i].groups.size(), reference.groups[i]) << model << " item " << i + 1;
        }
    }
}

TEST_F(SimulatedTest, AnItemFromOtherParametersIsFlagged)
{
    simulate(11, 6, 0.8);
    const ItemFit fit = itemFit();
    ASSERT_EQ(fit.items.size(), static_cast<std::size_t>(kItems));
    EXPECT_TRUE(fit.items[6].flagged);
    EXPECT_LT(*fit.items[6].pAdjusted, 1e-4);
    EXPECT_EQ(fit.subjects, kSubjects);
    for (const ItemFit::Item& item : fit.items) {
        EXPECT_EQ(item.df, static_cast<int>(item.groups.size()) - 3);
        EXPECT_GE(*item.rmsea, 0.0);
    }
}

// Under the model, Benjamini–Hochberg at 0.05 flags an item in about one
// data set in twenty. (The raw p-values run low: df takes off the items'
// parameters as if they had been estimated from these data.)
TEST_F(SimulatedTest, AFittingTestFlagsNoMoreThanTheNominalRate)
{
    int flagged = 0;
    for (std::uint64_t seed = 1; seed <= 8; ++seed) {
        simulate(100 + seed);
        for (const ItemFit::Item& item : itemFit().items)
            flagged += item.flagged;
    }
    EXPECT_LE(flagged, 2);
}

namespace {

// One pair, of the first two items of these names.
LocalDependence onePairOf(const std::vector<std::string>& names)
{
    LocalDependence pairs;
    pairs.pairs.resize(1);
    pairs.pairs[0].first = 1;
    pairs.pairs[0].second = 2;
    pairs.names = names;
    return pairs;
}

// Names from users' tables, however they are spelt, stay whole in every
// format: quoted where CSV needs it, escaped by JSON, padded in the text.
TEST(ItemFitFormatTest, NamesInEveryFormat)
{
    ItemFit fit;
    fit.items.resize(2);
    fit.items[0].item = 1;
    fit.items[1].item = 2;
    fit.names = {"a,b", "say \"hi\"\n"};
    const std::string csv = FormatItemFitCsv(fit);
    EXPECT_NE(csv.find(",name\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",\"a,b\"\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",\"say \"\"hi\"\"\n\"\n"), std::string::npos) << csv;
    std::ostringstream json;
    WriteItemFitJson(json, fit);
    const nlohmann::json items = nlohmann::json::parse(json.str());
    EXPECT_EQ(items[1]["name"], "say \"hi\"\n");
    std::ostringstream table;
    WriteItemFitTable(table, fit);
    EXPECT_NE(table.str().find("    1 a,b        "), std::string::npos) << table.str();

    const LocalDependence pairs = onePairOf(fit.names);
    const std::string pairCsv = FormatPairsCsv(pairs);
    EXPECT_NE(pairCsv.find(",first_name,second_name\n"), std::string::npos) << pairCsv;
    EXPECT_NE(pairCsv.find(",\"a,b\",\"say \"\"hi\"\"\n\"\n"), std::string::npos) << pairCsv;
    std::ostringstream pairJson;
    WritePairsJson(pairJson, pairs);
    EXPECT_EQ(nlohmann::json::parse(pairJson.str())[0]["first_name"], "a,b");
    // Without names, nothing changes.
    fit.names.clear();
    EXPECT_EQ(FormatItemFitCsv(fit).find("name"), std::string::npos);
}

// Each character that CSV gives meaning to quotes a name on its own, a
// quote doubled within (RFC 4180); any other name stays bare.
TEST(ItemFitFormatTest, EachSpecialCharacterAloneQuotesAName)
{
    const struct {
        const char* name;
        const char* field;
    } cases[] = {
        {"plain", "plain"},
        {"it's; fine", "it's; fine"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"5\" long", "\"5\"\" long\""},
        {"two\nlines", "\"two\nlines\""},
        {"return\r", "\"return\r\""},
    };
    for (const auto& c : cases) {
        ItemFit fit;
        fit.items.resize(2);
        fit.items[0].item = 1;
        fit.items[1].item = 2;
        fit.names = {c.name, "other"};
        const std::string csv = FormatItemFitCsv(fit);
        EXPECT_NE(csv.find(std::string(",") + c.field + "\n2,"), std::string::npos) << c.name << ": " << csv;

        const std::string pairCsv = FormatPairsCsv(onePairOf(fit.names));
        EXPECT_EQ(pairCsv.substr(pairCsv.size() - std::strlen(c.field) - 8), std::string(",") + c.field + ",other\n")
            << c.name << ": " << pairCsv;
    }
}

}  // namespace
