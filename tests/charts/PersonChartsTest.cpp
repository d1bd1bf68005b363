#include "charts/PersonCharts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "counts/ItemCodeCounts.h"
#include "tests/charts/SceneTexts.h"

namespace {

double middle(const ChartScene::Box& box) { return (box.left + box.right) / 2; }

// The text lowest in the scene that says words: an axis's number under
// the plot rather than one beside it.
const ChartScene::Text* lowestSaying(const ChartScene& scene, const std::string& words)
{
    const ChartScene::Text* lowest = nullptr;
    for (const ChartScene::Text& text : scene.texts)
        if (text.text == words && (!lowest || text.box.top > lowest->box.top))
            lowest = &text;
    return lowest;
}

// The x of value z on a chart's axis, from where its numbers stand.
double xOf(const ChartScene& scene, double z)
{
    const double zero = middle(lowestSaying(scene, "0")->box), two = middle(lowestSaying(scene, "2")->box);
    return zero + z / 2 * (two - zero);
}

// The lines of one colour, in the order drawn.
std::vector<const ChartScene::Line*> linesOf(const ChartScene& scene, std::uint32_t colour)
{
    std::vector<const ChartScene::Line*> lines;
    for (const ChartScene::Line& line : scene.lines)
        if (line.colour == colour)
            lines.push_back(&line);
    return lines;
}

// 200 subjects: 120 in [0, 0.25), 60 in [-2, -1.75), 12 in [1, 1.25);
// 6 below the bins and 2 above.
PersonSummary twoHundredSubjects(ThetaEstimator estimator, std::uint64_t replicates)
{
    PersonSummary summary;
    summary.estimator = estimator;
    summary.replicates = replicates;
    summary.bins[24] = 120;
    summary.bins[16] = 60;
    summary.bins[28] = 12;
    summary.below = 6;
    summary.above = 2;
    return summary;
}

}  // namespace

// Each bin's count over n × its width, n every subject counted (beyond the
// bins too): the bars stand against the standard normal density drawn
// over them, heights in the same proportion as the densities.
TEST(PersonHistogramModelTest, DensityOnTheStandardNormalsScale)
{
    const PersonHistogram histogram = PersonHistogramOf(twoHundredSubjects(ThetaEstimator::Wle, 0));
    EXPECT_EQ(histogram.counted, 200u);
    ASSERT_EQ(histogram.density.size(), 48u);
    EXPECT_DOUBLE_EQ(histogram.density[24], 120.0 / (200 * 0.25));
    EXPECT_DOUBLE_EQ(histogram.density[16], 60.0 / (200 * 0.25));
    double area = 0;
    for (const double density : histogram.density)
        area += density * histogram.binWidth;
    EXPECT_DOUBLE_EQ(area, 192.0 / 200);  // the rest beyond the bins
    EXPECT_EQ(histogram.legend, "Subjects (200)");
    EXPECT_EQ(histogram.note, "Beyond the axis: 6 below -6, 2 above 6.");
    EXPECT_NEAR(StandardNormalDensity(0), 0.3989422804014327, 1e-15);
    EXPECT_NEAR(StandardNormalDensity(kPersonCutOff), StandardNormalDensity(-kPersonCutOff), 1e-15);

    const ChartScene scene = PersonHistogramFileScene(histogram);
    EXPECT_EQ(scene.width, 800);
    EXPECT_EQ(scene.height, 500);
    // The normal curve's peak and a bar's top, from the same baseline.
    const ChartScene::Line& normal = *linesOf(scene, kExpectedColour).front();
    const auto peak = std::min_element(normal.points.begin(), normal.points.end(),
                                       [](const auto& a, const auto& b) { return a.y < b.y; });
    EXPECT_NEAR(peak->x, xOf(scene, 0), 0.5);
    const ChartScene::Fill* bar = nullptr;
    for (const ChartScene::Fill& fill : scene.fills)
        if (std::abs(fill.box.left - xOf(scene, 0)) < 1e-6 && std::abs(fill.box.right - xOf(scene, 0.25)) < 1e-6)
            bar = &fill;
    ASSERT_NE(bar, nullptr);
    const double baseline = bar->box.bottom;
    EXPECT_NEAR((baseline - bar->box.top) / (baseline - peak->y), histogram.density[24] / StandardNormalDensity(0),
                1e-9);
    // The bars' outline over them in the observed colour, one stretch a run of bins.
    EXPECT_EQ(linesOf(scene, kObservedColour).size(), 3u + 1);  // and the legend's swatch
    for (const char* said : {"Person fit: lz* of every subject", "lz* of each subject (lz corrected for the "
                             "estimated ability)", "Density", "Subjects (200)", "Standard normal",
                             "Beyond the axis: 6 below -6, 2 above 6."})
        EXPECT_NE(textSaying(scene, said), nullptr) << said;
    EXPECT_TRUE(textSaying(scene, "Density")->upright);
}

// The 5% point of the standard normal marks where p < 0.05 begins; eap
// has no p without simulation, and then no line. The statistic, lz* or
// eap's lz, is said in the title and on the axis.
TEST(PersonHistogramModelTest, CutOffWhereThereArePValues)
{
    const struct {
        ThetaEstimator estimator;
        std::uint64_t replicates;
        bool cutOff;
        const char* title;
    } cases[] = {
        {ThetaEstimator::Wle, 0, true, "Person fit: lz* of every subject"},
        {ThetaEstimator::Ml, 0, true, "Person fit: lz* of every subject"},
        {ThetaEstimator::Map, 99, true, "Person fit: lz* of every subject"},
        {ThetaEstimator::Eap, 0, false, "Person fit: lz of every subject"},
        {ThetaEstimator::Eap, 99, true, "Person fit: lz of every subject"},
    };
    const std::string label = "5% point: -1.645";
    for (const auto& c : cases) {
        const PersonHistogram histogram = PersonHistogramOf(twoHundredSubjects(c.estimator, c.replicates));
        EXPECT_EQ(histogram.cutOff, c.cutOff) << c.title << " " << c.replicates;
        const ChartScene scene = PersonHistogramFileScene(histogram);
        EXPECT_NE(textSaying(scene, c.title), nullptr);
        const bool eap = c.estimator == ThetaEstimator::Eap;
        EXPECT_NE(textSaying(scene, eap ? "lz of each subject (eap: not corrected for the estimated ability)"
                                        : "lz* of each subject (lz corrected for the estimated ability)"),
                  nullptr);
        EXPECT_EQ(textSaying(scene, label) != nullptr, c.cutOff);
        int upright = 0;
        for (const ChartScene::Line* line : linesOf(scene, kChartBlack))
            if (line->points.size() == 2 && line->points[0].x == line->points[1].x &&
                std::abs(line->points[0].x - xOf(scene, kPersonCutOff)) < 1e-6)
                ++upright;
        EXPECT_EQ(upright, c.cutOff ? 1 : 0);
    }
}

// The axis spans -4 to 4 at least, and as far as the bins hold subjects;
// a histogram of nobody says so, and one of everybody in the bins has no
// note.
TEST(PersonHistogramModelTest, AxisReachesEveryBinHeld)
{
    PersonSummary summary = twoHundredSubjects(ThetaEstimator::Wle, 0);
    summary.below = summary.above = 0;
    ChartScene scene = PersonHistogramFileScene(PersonHistogramOf(summary));
    for (const char* shown : {"-4", "4"})
        EXPECT_NE(textSaying(scene, shown), nullptr) << shown;
    for (const char* beyond : {"-5", "5"})
        EXPECT_EQ(textSaying(scene, beyond), nullptr) << beyond;
    EXPECT_EQ(PersonHistogramOf(summary).note, "");

    summary.bins[2] = 1;  // [-5.5, -5.25)
    summary.bins[47] = 1;  // [5.75, 6)
    scene = PersonHistogramFileScene(PersonHistogramOf(summary));
    for (const char* shown : {"-6", "6"})
        EXPECT_NE(textSaying(scene, shown), nullptr) << shown;

    const PersonHistogram nobody = PersonHistogramOf(PersonSummary{});
    EXPECT_EQ(nobody.counted, 0u);
    EXPECT_NE(textSaying(PersonHistogramFileScene(nobody), "No subject has lz*."), nullptr);
}

// The density axis rises above bars that would reach into the legend,
// in the window's small chart as in a file's.
TEST(PersonHistogramModelTest, BarsStayClearOfTheLegend)
{
    PersonSummary summary;
    summary.estimator = ThetaEstimator::Eap;
    summary.bins[34] = 55;  // [2.5, 2.75): a density of 0.55, under the legend
    summary.bins[25] = 45;
    for (const auto& [width, height, textSize] : {std::tuple{800.0, 500.0, 13.0}, std::tuple{580.0, 300.0, 13.0}}) {
        const ChartScene scene = PersonHistogramScene(PersonHistogramOf(summary), width, height, textSize);
        const ChartScene::Text* legend = textSaying(scene, "Standard normal");
        ASSERT_NE(legend, nullptr);
        const double left = textSaying(scene, "Subjects (100)")->box.left - 2.8 * textSize;
        const double baseline = lowestSaying(scene, "0")->box.top - 0.4 * textSize;
        int under = 0;
        for (const ChartScene::Fill& bar : scene.fills)
            if (std::abs(bar.box.bottom - baseline) < 1e-6 && bar.box.right > left) {
                ++under;
                EXPECT_GE(bar.box.top, legend->box.bottom) << width << " x " << height;
            }
        EXPECT_GT(under, 0) << width << " x " << height;
    }
}

// A polytomous item's difficulty is the mean of its thresholds, stored
// boundary by boundary, item by item within.
TEST(PersonResponseModelTest, DifficultyOfBinaryAndPolytomousItems)
{
    ItemParameters binary(3, 2);
    binary.b = {0.5f, -1.0f, 2.0f};
    EXPECT_DOUBLE_EQ(ItemDifficulty(binary, 1), -1.0);
    ItemParameters graded(2, 4);
    graded.b = {-1.0f, 0.0f, 0.0f, 1.0f, 2.5f, 1.5f};  // item 1: -1, 0, 2.5; item 2: 0, 1, 1.5
    EXPECT_DOUBLE_EQ(ItemDifficulty(graded, 0), 0.5);
    EXPECT_NEAR(ItemDifficulty(graded, 1), 2.5 / 3, 1e-7);
}

// The items a subject answered, easiest first, its score on each and the
// one expected at its ability, ties in item order; the title names the
// subject, its ability and lz* (lz for eap), red when flagged.
TEST(PersonResponseModelTest, AnsweredItemsEasiestFirst)
{
    PersonAnswers answers;
    answers.categories = {1, kNotAnswered, 0, 1, 0};
    answers.difficulty = {0.5, -1.0, 2.0, 0.0, 0.5};
    answers.expected = {0.6, 0.9, 0.2, 0.7, 0.55};
    answers.names = {"q1", "q2", "q3", "", "q5"};
    PersonFigures figures;
    figures.subject = 7;
    figures.id = "s0007";
    figures.theta = -0.5;
    figures.lz = -1.9;
    figures.lzStar = -2.1;
    figures.flagged = true;
    const PersonResponse response = PersonResponseOf(figures, answers);
    std::vector<std::string> labels;
    std::vector<double> observed, expected;
    for (const PersonResponse::Item& item : response.items) {
        labels.push_back(item.label);
        observed.push_back(item.observed);
        expected.push_back(item.expected);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"4", "q1", "q5", "q3"}));
    EXPECT_EQ(observed, (std::vector<double>{1, 1, 0, 0}));
    EXPECT_EQ(expected, (std::vector<double>{0.7, 0.6, 0.55, 0.2}));
    EXPECT_EQ(response.title, "Subject s0007: \u03B8 = -0.50, lz* = -2.10 *");
    EXPECT_EQ(response.note, "");

    const ChartScene scene = PersonResponseScene(response, 500, 300, 12);
    const ChartScene::Text* title = textSaying(scene, response.title);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->colour, kFlaggedColour);
    // Observed over expected, a point per item answered, at its item's
    // place along the axis and its score up the other.
    const ChartScene::Line& red = scene.lines.back();
    const ChartScene::Line& blue = scene.lines[scene.lines.size() - 2];
    EXPECT_EQ(red.colour, kObservedColour);
    EXPECT_EQ(blue.colour, kExpectedColour);
    ASSERT_EQ(red.points.size(), 4u);
    ASSERT_EQ(blue.points.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(red.points[k].x, blue.points[k].x);
        const ChartScene::Text* label = textSaying(scene, labels[k]);
        ASSERT_NE(label, nullptr) << labels[k];
        EXPECT_NEAR(middle(label->box), red.points[k].x, 1e-9);
    }
    const double bottom = red.points[2].y, top = red.points[0].y;  // scores 0 and 1
    EXPECT_LT(top, bottom);
    EXPECT_NEAR(blue.points[3].y, bottom - 0.2 * (bottom - top), 1e-9);
    for (const char* said : {"Item score", "Items answered, easiest first", "observed", "expected"})
        EXPECT_NE(textSaying(scene, said), nullptr) << said;

    figures.lzStar = kNoPersonFigure;  // eap's
    figures.flagged = false;
    EXPECT_EQ(PersonResponseOf(figures, answers).title, "Subject s0007: \u03B8 = -0.50, lz = -1.90");
    figures.id.clear();
    EXPECT_EQ(PersonResponseOf(figures, answers).title.rfind("Subject 7: ", 0), 0u);
}

// Without an ability there is nothing to expect: the answers alone, and
// why; a code outside the model's range leaves nothing to chart.
TEST(PersonResponseModelTest, SubjectsWithoutAnAbility)
{
    PersonAnswers answers;
    answers.categories = {1, 1, 1};
    answers.difficulty = {0, 1, 2};
    answers.categoryCount = 2;
    PersonFigures figures;
    figures.id = "s9";
    figures.note = PersonNote::Extreme;
    answers.noteName = "extreme";
    PersonResponse response = PersonResponseOf(figures, answers);
    EXPECT_EQ(response.title, "Subject s9");
    EXPECT_EQ(response.note, "No ability estimate (extreme): the answers alone.");
    EXPECT_EQ(response.items.size(), 3u);
    ChartScene scene = PersonResponseScene(response, 400, 260, 10);
    EXPECT_TRUE(linesOf(scene, kExpectedColour).size() == 1u);  // the key's alone
    EXPECT_NE(textSaying(scene, response.note), nullptr);

    figures.note = PersonNote::CodesOutside;
    answers.noteName = "codes_outside";
    response = PersonResponseOf(figures, answers);
    EXPECT_TRUE(response.items.empty());
    EXPECT_EQ(response.note, "A code outside the model's range (codes_outside): nothing to chart.");
    scene = PersonResponseScene(response, 400, 260, 10);
    EXPECT_NE(textSaying(scene, response.note), nullptr);
}

// Short labels stand under their items; long ones, or many items, read
// upwards, every k-th where even that is crowded; polytomous scores run
// to K - 1.
TEST(PersonResponseModelTest, LabelsFitTheirRoom)
{
    const auto chart = [](int items, const std::string& name, int categories) {
        PersonAnswers answers;
        answers.categoryCount = categories;
        for (int j = 0; j < items; ++j) {
            answers.categories.push_back(static_cast<unsigned char>(j % categories));
            answers.difficulty.push_back(j);
            answers.expected.push_back(0.5);
            answers.names.push_back(name + std::to_string(j + 1));
        }
        PersonFigures figures;
        figures.theta = 0;
        return PersonResponseScene(PersonResponseOf(figures, answers), 600, 300, 12);
    };
    const struct {
        int items;
        const char* name;
        bool upright;
        int shown;
    } cases[] = {
        {10, "q", false, 10},
        {10, "reading comprehension ", true, 10},
        {200, "i", true, 200 / 3 + 1},
    };
    for (const auto& c : cases) {
        const ChartScene scene = chart(c.items, c.name, 2);
        int shown = 0, upright = 0;
        for (const ChartScene::Text& text : scene.texts)
            if (text.text.rfind(c.name, 0) == 0 || text.text.rfind(std::string(c.name).substr(0, 13), 0) == 0) {
                ++shown;
                upright += text.upright;
            }
        EXPECT_EQ(upright > 0, c.upright) << c.items << " " << c.name;
        EXPECT_LE(shown, c.shown) << c.items << " " << c.name;
        EXPECT_GE(shown, c.items < 100 ? c.items : 20) << c.items << " " << c.name;
    }
    const ChartScene graded = chart(5, "g", 4);
    for (const char* tick : {"0", "1", "2", "3"})
        EXPECT_NE(textSaying(graded, tick), nullptr) << tick;
    EXPECT_NE(textSaying(chart(3, "reading comprehension ", 2), "reading compr\u2026"), nullptr);
}

// The expected scores come from the model at the subject's ability: a 3PL
// item's c + (1 - c) / (1 + e^(-Da(theta - b))).
TEST(PersonResponseModelTest, ExpectedScoresFromTheModel)
{
    FitModel model;
    model.kind = FitModel::Kind::Binary;
    model.items = ItemParameters(2, 2);
    model.items.a = {1.2f, 0.8f};
    model.items.b = {0.5f, -1.0f};
    model.items.c = {0.2f, 0.0f};
    model.theta = {-1.0f, 0.0f, 1.0f};
    model.weight = {0.25f, 0.5f, 0.25f};
    const PersonFit fit(model, ThetaEstimator::Wle);
    PersonFigures figures;
    figures.theta = 0.3;
    const unsigned char categories[] = {1, 0};
    const PersonResponse response = PersonResponseOf(fit, figures, categories, {"easy", "hard"});
    ASSERT_EQ(response.items.size(), 2u);
    EXPECT_EQ(response.items[0].item, 2);  // b = -1 first
    const auto logistic = [](double a, double b, double c, double theta) {
        return c + (1 - c) / (1 + std::exp(-1.702 * a * (theta - b)));
    };
    EXPECT_NEAR(response.items[0].expected, logistic(0.8, -1.0, 0.0, 0.3), 1e-6);
    EXPECT_NEAR(response.items[1].expected, logistic(1.2, 0.5, 0.2, 0.3), 1e-6);
    EXPECT_EQ(response.items[1].label, "easy");
}

// Six subjects' charts in two columns of cells, under the grid's title.
TEST(PersonResponseModelTest, AGridOfCharts)
{
    PersonAnswers answers;
    answers.categories = {1, 0};
    answers.difficulty = {0, 1};
    answers.expected = {0.7, 0.3};
    std::vector<PersonResponse> responses;
    for (int k = 1; k <= 6; ++k) {
        PersonFigures figures;
        figures.subject = k;
        figures.theta = 0;
        responses.push_back(PersonResponseOf(figures, answers));
    }
    const ChartScene grid = PersonResponsesScene(responses, 2, "The six");
    EXPECT_EQ(grid.width, 800);
    EXPECT_EQ(grid.height, 40 + 3 * 260);
    EXPECT_NE(textSaying(grid, "The six"), nullptr);
    const ChartScene::Text* sixth = textSaying(grid, "Subject 6: \u03B8 = 0.00");
    ASSERT_NE(sixth, nullptr);
    EXPECT_GE(sixth->box.left, 400);
    EXPECT_GE(sixth->box.top, 40 + 2 * 260);
}
