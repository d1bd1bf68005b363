#include "charts/PersonCharts.h"

#include <algorithm>
#include <cmath>

#include "counts/ItemCodeCounts.h"
#include "stats/TextFormat.h"

namespace {

using Align = ChartScene::Align;

// The histogram's bars, in a paler red than the observed outline over them.
constexpr std::uint32_t kBarColour = 0xF4C4C4;
// The axis always spans at least this much of lz*, where fitting subjects lie.
constexpr double kLeastSpan = 4.0;
constexpr double kFileWidth = 800, kFileHeight = 500, kFileTextSize = 13;
// A response chart of a page's grid, and the grid's title.
constexpr double kCellWidth = 400, kCellHeight = 260, kCellTextSize = 10, kGridTitle = 40;
// A character taken as about this many text heights wide; names longer
// than kLongestLabel are cut along the items' axis.
constexpr double kCharacterWidth = 0.62;
constexpr std::size_t kLongestLabel = 14;

// Where the histogram's axes run: lz* from low to high, density to top.
struct HistogramAxes {
    double low = -kLeastSpan, high = kLeastSpan, top = 0.5, step = 0.1;
};

HistogramAxes histogramAxes(const PersonHistogram& histogram)
{
    HistogramAxes axes;
    double top = StandardNormalDensity(0.0);
    for (std::size_t k = 0; k < histogram.density.size(); ++k) {
        if (histogram.density[k] <= 0.0)
            continue;
        const double start = histogram.binStart + static_cast<double>(k) * histogram.binWidth;
        axes.low = std::min(axes.low, std::floor(start));
        axes.high = std::max(axes.high, std::ceil(start + histogram.binWidth));
        top = std::max(top, histogram.density[k]);
    }
    axes.step = NiceStep(top, 5);
    axes.top = std::ceil(top / axes.step) * axes.step;
    return axes;
}

// Maps lz* and density to the plot's pixels.
struct HistogramFrame {
    ChartScene::Box plot;
    HistogramAxes axes;
    ChartScene::Point at(double z, double density) const
    {
        return {plot.left + (z - axes.low) / (axes.high - axes.low) * plot.width(),
                plot.bottom - density / axes.top * plot.height()};
    }
};

void addDensityAxis(ChartScene& scene, const HistogramFrame& frame, double t)
{
    for (const double y : AxisTicks(0, frame.axes.top, 5, frame.axes.step)) {
        const ChartScene::Point left = frame.at(frame.axes.low, y);
        if (y > 0)
            scene.line({left, frame.at(frame.axes.high, y)}, kGridColour);
        scene.text({0, left.y - 0.7 * t, frame.plot.left - 0.4 * t, left.y + 0.7 * t}, AxisNumber(y), Align::Right, t);
    }
    scene.texts.push_back({{0.3 * t, frame.plot.top, 1.9 * t, frame.plot.bottom}, "Density", Align::Centre, t, false,
                           true, kChartBlack});
}

void addStatisticAxis(ChartScene& scene, const HistogramFrame& frame, const std::string& title, double t)
{
    for (const double x : AxisTicks(frame.axes.low, frame.axes.high, 8, 1.0)) {
        const ChartScene::Point foot = frame.at(x, 0);
        scene.line({foot, {foot.x, foot.y + 0.3 * t}}, kChartBlack);
        scene.text({foot.x - 2 * t, foot.y + 0.4 * t, foot.x + 2 * t, foot.y + 1.8 * t}, AxisNumber(x), Align::Centre,
                   t);
    }
    scene.text({frame.plot.left, frame.plot.bottom + 1.9 * t, frame.plot.right, frame.plot.bottom + 3.3 * t}, title,
               Align::Centre, t);
}

// The bars, and their outline as one stepped line.
void addBars(ChartScene& scene, const HistogramFrame& frame, const PersonHistogram& histogram)
{
    std::vector<ChartScene::Point> outline;
    for (std::size_t k = 0; k < histogram.density.size(); ++k) {
        const double density = histogram.density[k];
        if (density <= 0.0)
            continue;
        const double start = histogram.binStart + static_cast<double>(k) * histogram.binWidth;
        const ChartScene::Point from = frame.at(start, density), to = frame.at(start + histogram.binWidth, 0);
        scene.fill({from.x, from.y, to.x, to.y}, kBarColour);
        if (!outline.empty() && outline.back().x < from.x) {
            scene.line(std::move(outline), kObservedColour);
            outline.clear();
        }
        if (outline.empty())
            outline.push_back({from.x, to.y});
        outline.push_back({from.x, from.y});
        outline.push_back({to.x, from.y});
        outline.push_back({to.x, to.y});
    }
    if (!outline.empty())
        scene.line(std::move(outline), kObservedColour);
}

void addNormalCurve(ChartScene& scene, const HistogramFrame& frame)
{
    std::vector<ChartScene::Point> curve;
    const int steps = static_cast<int>(std::lround((frame.axes.high - frame.axes.low) / 0.05));
    for (int k = 0; k <= steps; ++k) {
        const double z = frame.axes.low + k * 0.05;
        curve.push_back(frame.at(z, StandardNormalDensity(z)));
    }
    scene.line(std::move(curve), kExpectedColour, 2);
}

void addCutOff(ChartScene& scene, const HistogramFrame& frame, double t)
{
    const double x = frame.at(kPersonCutOff, 0).x;
    scene.line({{x, frame.plot.top}, {x, frame.plot.bottom}}, kChartBlack, 1.5);
    scene.text({frame.plot.left, frame.plot.top + 0.3 * t, x - 0.4 * t, frame.plot.top + 1.7 * t},
               FormatText("5%% point: %.3f", kPersonCutOff), Align::Right, t);
}

// The legend's corner of the plot, top right, in text heights.
constexpr double kLegendWidth = 13, kLegendHeight = 3.6;

// The density axis raised until neither the bars nor the curve reach up
// into the legend.
void makeRoomForLegend(HistogramFrame& frame, const PersonHistogram& histogram, double t)
{
    const HistogramAxes& axes = frame.axes;
    const double share = (frame.plot.width() - kLegendWidth * t) / frame.plot.width();
    const double from = axes.low + share * (axes.high - axes.low);  // the lowest lz* under the legend
    double under = StandardNormalDensity(std::max(from, 0.0));
    for (std::size_t k = 0; k < histogram.density.size(); ++k)
        if (histogram.binStart + static_cast<double>(k + 1) * histogram.binWidth > from)
            under = std::max(under, histogram.density[k]);
    while (under / frame.axes.top * frame.plot.height() > frame.plot.height() - kLegendHeight * t &&
           frame.axes.top < 100 * under)
        frame.axes.top += frame.axes.step;
}

// Top right inside the plot: the bars' swatch and the curve's line.
void addLegend(ChartScene& scene, const HistogramFrame& frame, const PersonHistogram& histogram, double t)
{
    const double left = frame.plot.right - kLegendWidth * t, first = frame.plot.top + t, second = first + 1.6 * t;
    scene.fill({left, first - 0.45 * t, left + 2.2 * t, first + 0.45 * t}, kBarColour);
    scene.frame({left, first - 0.45 * t, left + 2.2 * t, first + 0.45 * t}, kObservedColour);
    scene.text({left + 2.8 * t, first - 0.7 * t, frame.plot.right - 0.3 * t, first + 0.7 * t}, histogram.legend,
               Align::Left, t);
    scene.line({{left, second}, {left + 2.2 * t, second}}, kExpectedColour, 2);
    scene.text({left + 2.8 * t, second - 0.7 * t, frame.plot.right - 0.3 * t, second + 0.7 * t}, "Standard normal",
               Align::Left, t);
}

// Where the response chart's items go along its axis.
struct ItemAxis {
    double spacing = 1;
    bool upright = false;  // labels read upwards, for long names or many items
    int labelStep = 1;     // every labelStep-th item labelled
    double height = 0;     // of the labels under the axis
};

ItemAxis itemAxis(const PersonResponse& response, double width, double t)
{
    ItemAxis axis;
    std::size_t longest = 1;
    for (const PersonResponse::Item& item : response.items)
        longest = std::max(longest, item.label.size());
    const double labelWidth = (kCharacterWidth * static_cast<double>(longest) + 0.6) * t;
    axis.spacing = width / static_cast<double>(std::max<std::size_t>(response.items.size(), 1));
    axis.upright = labelWidth > axis.spacing;
    while (axis.labelStep * axis.spacing < (axis.upright ? 1.3 * t : labelWidth))
        ++axis.labelStep;
    axis.height = axis.upright ? labelWidth : 1.5 * t;
    return axis;
}

void addItemLabels(ChartScene& scene, const PersonResponse& response, const ChartScene::Box& plot,
                   const ItemAxis& axis, double t)
{
    for (std::size_t k = 0; k < response.items.size(); ++k) {
        const double x = plot.left + (static_cast<double>(k) + 0.5) * axis.spacing;
        scene.line({{x, plot.bottom}, {x, plot.bottom + 0.3 * t}}, kChartBlack);
        if (k % static_cast<std::size_t>(axis.labelStep) != 0)
            continue;
        const std::string& label = response.items[k].label;
        const double top = plot.bottom + 0.4 * t;
        if (axis.upright)
            scene.texts.push_back(
                {{x - 0.7 * t, top, x + 0.7 * t, top + axis.height}, label, Align::Right, t, false, true, kChartBlack});
        else
            scene.text({x - axis.spacing / 2, top, x + axis.spacing / 2, top + 1.4 * t}, label, Align::Centre, t);
    }
}

// Under the title: which colour is which.
void addResponseKey(ChartScene& scene, const ChartScene::Box& box, double y, double t)
{
    const double middle = (box.left + box.right) / 2;
    const auto key = [&](double left, std::uint32_t colour, const char* name) {
        scene.line({{left, y}, {left + 1.6 * t, y}}, colour, 1.5, 0.25 * t);
        scene.text({left + 2.3 * t, y - 0.7 * t, left + 8 * t, y + 0.7 * t}, name, Align::Left, t);
    };
    key(middle - 8.5 * t, kObservedColour, "observed");
    key(middle + 1 * t, kExpectedColour, "expected");
}

}  // namespace

double StandardNormalDensity(double z) { return std::exp(-0.5 * z * z) / std::sqrt(2.0 * M_PI); }

ChartScene PersonHistogramScene(const PersonHistogram& histogram, double width, double height, double textSize)
{
    const double t = textSize;
    const bool beyond = !histogram.note.empty();
    ChartScene scene;
    scene.width = width;
    scene.height = height;
    scene.title = histogram.title;
    scene.fill({0, 0, width, height}, kChartWhite);
    HistogramFrame frame{{4.8 * t, 3.2 * t, width - 1.5 * t, height - (beyond ? 5.2 : 3.8) * t},
                         histogramAxes(histogram)};
    makeRoomForLegend(frame, histogram, t);
    scene.text({0, 0.4 * t, width, 2.4 * t}, histogram.title, Align::Centre, 1.25 * t);
    addDensityAxis(scene, frame, t);
    addBars(scene, frame, histogram);
    addNormalCurve(scene, frame);
    if (histogram.cutOff)
        addCutOff(scene, frame, t);
    scene.frame(frame.plot, kChartBlack);
    addStatisticAxis(scene, frame, histogram.axis, t);
    addLegend(scene, frame, histogram, t);
    if (histogram.counted == 0)
        scene.text({frame.plot.left, frame.plot.top + 4 * t, frame.plot.right, frame.plot.top + 5.4 * t},
                   "No subject has " + histogram.statistic + ".", Align::Centre, t);
    if (beyond)
        scene.text({0, height - 1.7 * t, width, height - 0.3 * t}, histogram.note, Align::Centre, t);
    return scene;
}

ChartScene PersonHistogramFileScene(const PersonHistogram& histogram)
{
    return PersonHistogramScene(histogram, kFileWidth, kFileHeight, kFileTextSize);
}

double ItemDifficulty(const ItemParameters& items, int item)
{
    const std::size_t m = static_cast<std::size_t>(items.itemCount), j = static_cast<std::size_t>(item);
    const int boundaries = std::max(items.categoryCount - 1, 1);
    double sum = 0.0;
    for (int k = 0; k < boundaries; ++k)
        sum += items.b[static_cast<std::size_t>(k) * m + j];
    return sum / boundaries;
}

PersonResponse PersonResponseOf(const PersonFigures& figures, const PersonAnswers& answers)
{
    PersonResponse response;
    response.highest = std::max(answers.categoryCount - 1, 1);
    response.flagged = figures.flagged;
    const bool estimated = HasFigure(figures.theta) && answers.expected.size() == answers.categories.size();
    std::string title = "Subject " + figures.shownId();
    if (estimated) {
        title += FormatText(": \u03B8 = %.2f", figures.theta);
        if (HasFigure(figures.misfit()))
            title += FormatText(", %s = %.2f", HasFigure(figures.lzStar) ? "lz*" : "lz", figures.misfit());
    }
    response.title = title + (figures.flagged ? " *" : "");
    if (figures.note == PersonNote::CodesOutside) {
        response.note = "A code outside the model's range (" + answers.noteName + "): nothing to chart.";
        return response;
    }
    if (!estimated)
        response.note = "No ability estimate (" + answers.noteName + "): the answers alone.";
    for (std::size_t j = 0; j < answers.categories.size(); ++j) {
        if (answers.categories[j] == kNotAnswered)
            continue;
        PersonResponse::Item item;
        item.item = static_cast<int>(j) + 1;
        item.label = j < answers.names.size() && !answers.names[j].empty() ? CutLabel(answers.names[j], kLongestLabel)
                                                                           : std::to_string(j + 1);
        item.difficulty = j < answers.difficulty.size() ? answers.difficulty[j] : 0.0;
        item.observed = answers.categories[j];
        if (estimated)
            item.expected = answers.expected[j];
        response.items.push_back(std::move(item));
    }
    std::stable_sort(response.items.begin(), response.items.end(),
                     [](const PersonResponse::Item& x, const PersonResponse::Item& y) {
                         return x.difficulty < y.difficulty;
                     });
    return response;
}

void AddPersonResponse(ChartScene& scene, const PersonResponse& response, const ChartScene::Box& box,
                       double textSize)
{
    const double t = textSize;
    const std::uint32_t titleColour = response.flagged ? kFlaggedColour : kChartBlack;
    scene.text({box.left, box.top + 0.3 * t, box.right, box.top + 1.9 * t}, response.title, Align::Centre, 1.2 * t,
               titleColour, response.flagged);
    addResponseKey(scene, box, box.top + 2.7 * t, t);
    const double left = box.left + 4.8 * t, right = box.right - t;
    const ItemAxis axis = itemAxis(response, right - left, t);
    const ChartScene::Box plot{left, box.top + 3.8 * t, right, box.bottom - axis.height - 2.2 * t};
    const auto at = [&](std::size_t k, double score) {
        return ChartScene::Point{plot.left + (static_cast<double>(k) + 0.5) * axis.spacing,
                                 plot.bottom - score / response.highest * plot.height()};
    };
    for (const double y : AxisTicks(0, response.highest, 4)) {
        const double height = plot.bottom - y / response.highest * plot.height();
        if (y > 0 && y < response.highest)
            scene.line({{plot.left, height}, {plot.right, height}}, kGridColour);
        scene.text({box.left, height - 0.7 * t, plot.left - 0.4 * t, height + 0.7 * t}, AxisNumber(y), Align::Right, t);
    }
    scene.texts.push_back({{box.left, plot.top, box.left + 1.6 * t, plot.bottom}, "Item score", Align::Centre, t,
                           false, true, kChartBlack});
    scene.frame(plot, kChartBlack);
    addItemLabels(scene, response, plot, axis, t);
    scene.text({plot.left, box.bottom - 1.8 * t, plot.right, box.bottom - 0.4 * t}, "Items answered, easiest first",
               Align::Centre, t);
    if (!response.note.empty())
        scene.text({plot.left, plot.top + 0.3 * t, plot.right, plot.top + 1.7 * t}, response.note, Align::Centre, t);
    std::vector<ChartScene::Point> observed, expected;
    for (std::size_t k = 0; k < response.items.size(); ++k) {
        observed.push_back(at(k, response.items[k].observed));
        if (HasFigure(response.items[k].expected))
            expected.push_back(at(k, response.items[k].expected));
    }
    if (!expected.empty())
        scene.line(std::move(expected), kExpectedColour, 1.5, 2);
    if (!observed.empty())
        scene.line(std::move(observed), kObservedColour, 1, 2.5);
}

ChartScene PersonResponseScene(const PersonResponse& response, double width, double height, double textSize)
{
    ChartScene scene;
    scene.width = width;
    scene.height = height;
    scene.title = response.title;
    scene.fill({0, 0, width, height}, kChartWhite);
    AddPersonResponse(scene, response, {0, 0, width, height}, textSize);
    return scene;
}

ChartScene PersonResponsesScene(const std::vector<PersonResponse>& responses, int columns, const std::string& title)
{
    columns = std::max(columns, 1);
    const std::size_t across = static_cast<std::size_t>(columns);
    const std::size_t rows = std::max<std::size_t>((responses.size() + across - 1) / across, 1);
    ChartScene scene;
    scene.width = columns * kCellWidth;
    scene.height = kGridTitle + static_cast<double>(rows) * kCellHeight;
    scene.title = title;
    scene.fill({0, 0, scene.width, scene.height}, kChartWhite);
    scene.text({0, 8, scene.width, 32}, title, Align::Centre, 16);
    for (std::size_t k = 0; k < responses.size(); ++k) {
        const double left = static_cast<double>(k % across) * kCellWidth;
        const double top = kGridTitle + static_cast<double>(k / across) * kCellHeight;
        AddPersonResponse(scene, responses[k], {left, top, left + kCellWidth, top + kCellHeight}, kCellTextSize);
    }
    return scene;
}
