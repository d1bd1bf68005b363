#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "charts/ChartScene.h"
#include "fit/FitWarning.h"
#include "stats/PersonFit.h"
#include "stats/PersonPass.h"

// The subjects' person fit as charts: the distribution of every subject's
// lz* against the standard normal it follows where the model fits, and
// one subject's answers against what the model expects of it.

// The lower 5% point of the standard normal: an lz* below it has p < 0.05.
constexpr double kPersonCutOff = -1.6448536269514722;

// The standard normal density at z.
double StandardNormalDensity(double z);

// The histogram of lz* (lz for eap) as a density, each bin's count over
// n × binWidth, n every subject with the statistic (those beyond the bins
// too), so that it stands on the standard normal's scale.
struct PersonHistogram {
    std::string statistic = "lz*";  // what is counted: "lz*", or "lz" for eap
    std::string axis;               // the statistic's axis title, saying which it is
    double binStart = PersonSummary::binStart, binWidth = PersonSummary::binWidth;
    std::vector<double> density;  // bin by bin from binStart
    std::uint64_t counted = 0;    // n
    std::uint64_t below = 0, above = 0;  // beyond the first and the last bin
    bool cutOff = true;  // the subjects have p-values: the 5% point is drawn
    std::string title;
    std::string legend;  // of the bars
    std::string note;    // the subjects beyond the bins; empty for none
};

// The histogram of a run's subjects; here, for the batch runner's chart
// module links no statistics.
inline PersonHistogram PersonHistogramOf(const PersonSummary& summary)
{
    PersonHistogram histogram;
    const bool eap = summary.estimator == ThetaEstimator::Eap;
    histogram.statistic = eap ? "lz" : "lz*";
    histogram.axis = eap ? "lz of each subject (eap: not corrected for the estimated ability)"
                         : "lz* of each subject (lz corrected for the estimated ability)";
    histogram.title = "Person fit: " + histogram.statistic + " of every subject";
    histogram.cutOff = !eap || summary.replicates > 0;
    histogram.below = summary.below;
    histogram.above = summary.above;
    histogram.counted = summary.below + summary.above;
    for (const std::uint64_t count : summary.bins)
        histogram.counted += count;
    const double scale = static_cast<double>(histogram.counted) * histogram.binWidth;
    for (const std::uint64_t count : summary.bins)
        histogram.density.push_back(scale > 0 ? static_cast<double>(count) / scale : 0.0);
    const auto grouped = [](std::uint64_t count) { return GroupDigits(static_cast<std::int64_t>(count)); };
    histogram.legend = "Subjects (" + grouped(histogram.counted) + ")";
    const double binEnd = histogram.binStart + static_cast<double>(summary.bins.size()) * histogram.binWidth;
    if (histogram.below + histogram.above > 0)
        histogram.note = "Beyond the axis: " + grouped(histogram.below) + " below " + AxisNumber(histogram.binStart) +
                         ", " + grouped(histogram.above) + " above " + AxisNumber(binEnd) + ".";
    return histogram;
}

// The chart in a width x height area, its labels textSize pixels high.
ChartScene PersonHistogramScene(const PersonHistogram& histogram, double width, double height, double textSize);
// As a file and a report have it.
ChartScene PersonHistogramFileScene(const PersonHistogram& histogram);

// Writes the histogram as PNG or SVG, by the name's extension; false for
// another extension or a file that cannot be written. In talver_charts.
bool SavePersonHistogram(const PersonHistogram& histogram, const std::string& path);

// One subject's parametric person response chart: its score on each item
// it answered (red) and the score the model expects at its ability (blue),
// the items from the easiest to the hardest.
struct PersonResponse {
    struct Item {
        int item = 0;  // from 1
        std::string label;
        double difficulty = 0.0;
        double observed = 0.0;  // its category, 0 … K − 1
        double expected = kNoPersonFigure;  // none without an ability
    };
    std::vector<Item> items;
    double highest = 1.0;  // K − 1
    bool flagged = false;
    std::string title;
    std::string note;  // why there is no comparison, when there is none
};

// An item's difficulty (from 0): its b, or the mean of its K − 1
// thresholds or steps.
double ItemDifficulty(const ItemParameters& items, int item);

// What a subject's chart is drawn from, item by item from 0.
struct PersonAnswers {
    std::vector<unsigned char> categories;  // kNotAnswered for an item not answered
    std::vector<double> difficulty;
    std::vector<double> expected;    // at the subject's ability; empty without one
    std::vector<std::string> names;  // empty: the items' numbers
    int categoryCount = 2;
    std::string noteName;  // the subject's note, as the tables name it
};

// The chart of a subject: the items it answered, easiest first, with their
// labels; its title names the subject, its ability and its lz* (lz where
// it has none).
PersonResponse PersonResponseOf(const PersonFigures& figures, const PersonAnswers& answers);

// The chart of a subject from its categories (kNotAnswered for an item it
// did not answer) under fit's model, items labelled by names where given;
// here, for the batch runner's chart module links no statistics.
inline PersonResponse PersonResponseOf(const PersonFit& fit, const PersonFigures& figures,
                                       const unsigned char* categories, const std::vector<std::string>& names)
{
    const ItemParameters& items = fit.model().items;
    PersonAnswers answers;
    answers.categories.assign(categories, categories + items.itemCount);
    answers.names = names;
    answers.categoryCount = items.categoryCount;
    answers.noteName = PersonNoteName(figures.note);
    for (int item = 0; item < items.itemCount; ++item) {
        answers.difficulty.push_back(ItemDifficulty(items, item));
        if (HasFigure(figures.theta))
            answers.expected.push_back(fit.expectedScore(item, figures.theta));
    }
    return PersonResponseOf(figures, answers);
}

// The chart drawn into box, its labels textSize pixels high.
void AddPersonResponse(ChartScene& scene, const PersonResponse& response, const ChartScene::Box& box,
                       double textSize);
// The chart alone in a width x height area.
ChartScene PersonResponseScene(const PersonResponse& response, double width, double height, double textSize);
// Several subjects' charts in a grid of columns under a title, as a page
// holds them.
ChartScene PersonResponsesScene(const std::vector<PersonResponse>& responses, int columns, const std::string& title);
