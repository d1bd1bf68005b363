#include "charts/ItemCharts.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kCellWidth = 240, kCellHeight = 180, kTitleHeight = 50, kLargestSide = 6000;

}  // namespace

ItemChartAxes ItemChartAxesOf(const std::vector<ItemCurve>& curves, double highest)
{
    ItemChartAxes axes;
    axes.highest = highest > 0 ? highest : 1.0;
    bool first = true;
    for (const ItemCurve& curve : curves)
        for (const double score : curve.score) {
            axes.low = first ? score : std::min(axes.low, score);
            axes.high = first ? score : std::max(axes.high, score);
            first = false;
        }
    axes.measure = ItemMeasure(axes.highest);
    axes.low = std::floor(axes.low);
    axes.high = std::ceil(axes.high);
    return axes;
}

void AddItemChart(ChartScene& scene, const ItemCurve& curve, const ItemChartAxes& axes, const ChartScene::Box& box,
                  double textSize)
{
    using Align = ChartScene::Align;
    const double t = textSize;
    // Room on the left for the numbers and the upright title, below for
    // the numbers and the title of the totals.
    const ChartScene::Box plot{box.left + 4.8 * t, box.top + 2.4 * t, box.right - t, box.bottom - 3.8 * t};
    const auto at = [&](double score, double mean) {
        const double x = axes.high > axes.low ? (score - axes.low) / (axes.high - axes.low) : 0.5;
        return ChartScene::Point{plot.left + x * plot.width(), plot.bottom - mean / axes.highest * plot.height()};
    };
    const std::uint32_t frame = curve.flagged ? kFlaggedColour : kChartBlack;
    scene.text({box.left, box.top + 0.4 * t, box.right, box.top + 2 * t},
               (curve.name.empty() ? "Item " + std::to_string(curve.item) : curve.name) + (curve.flagged ? " *" : ""),
               Align::Centre, 1.2 * t, frame, curve.flagged);
    for (const double y : AxisTicks(0, axes.highest, 3)) {
        const double height = at(axes.low, y).y;
        if (y > 0 && y < axes.highest)
            scene.line({at(axes.low, y), at(axes.high, y)}, kGridColour);
        scene.text({box.left, height - 0.7 * t, plot.left - 0.4 * t, height + 0.7 * t}, AxisNumber(y), Align::Right,
                   t);
    }
    for (const double x : AxisTicks(axes.low, axes.high, 4, 1.0)) {
        const double across = at(x, 0).x;
        scene.line({{across, plot.bottom}, {across, plot.bottom + 0.3 * t}}, frame);
        scene.text({across - 2.5 * t, plot.bottom + 0.3 * t, across + 2.5 * t, plot.bottom + 1.7 * t}, AxisNumber(x),
                   Align::Centre, t);
    }
    scene.text({plot.left, plot.bottom + 1.8 * t, plot.right, plot.bottom + 3.2 * t}, "Total score", Align::Centre, t);
    scene.texts.push_back(
        {{box.left, plot.top, box.left + 1.6 * t, plot.bottom}, axes.measure, Align::Centre, t, false, true, kChartBlack});
    scene.frame(plot, frame, curve.flagged ? 2 : 1);
    const auto line = [&](const std::vector<double>& values, std::uint32_t colour) {
        std::vector<ChartScene::Point> points;
        for (std::size_t g = 0; g < values.size() && g < curve.score.size(); ++g)
            points.push_back(at(curve.score[g], values[g]));
        scene.line(std::move(points), colour, 1.5, 2);
    };
    line(curve.expected, kExpectedColour);
    line(curve.observed, kObservedColour);
}

int ItemChartColumns(std::size_t count)
{
    return std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count)))));
}

ChartScene ItemChartsScene(const ItemCharts& charts)
{
    return ItemChartsScene(charts, ItemChartAxesOf(charts.items, charts.highest),
                           ItemChartColumns(charts.items.size()));
}

ChartScene ItemChartsScene(const ItemCharts& charts, const ItemChartAxes& axes, int columns)
{
    const std::size_t count = charts.items.size();
    columns = std::max(columns, 1);
    const int rows = static_cast<int>((count + columns - 1) / columns);
    // Many items make smaller charts, down to half size.
    const double scale =
        std::clamp(kLargestSide / std::max(columns * kCellWidth, rows * kCellHeight), 0.5, 1.0);
    ChartScene scene;
    scene.width = std::floor(columns * kCellWidth * scale);
    scene.height = std::floor((std::max(rows, 1) * kCellHeight + kTitleHeight) * scale);
    scene.title = charts.title;
    scene.fill({0, 0, scene.width, scene.height}, kChartWhite);
    const double across = columns * kCellWidth * scale;
    scene.text({0, 6 * scale, across, 26 * scale}, charts.title, ChartScene::Align::Centre, 16 * scale);
    scene.text({0, 26 * scale, across, 44 * scale},
               charts.measure + " by score group: observed red, expected blue; * flagged", ChartScene::Align::Centre,
               12 * scale);
    for (std::size_t k = 0; k < count; ++k) {
        const double left = static_cast<double>(k % columns) * kCellWidth * scale;
        const double top = (kTitleHeight + static_cast<double>(k / columns) * kCellHeight) * scale;
        AddItemChart(scene, charts.items[k], axes, {left, top, left + kCellWidth * scale, top + kCellHeight * scale},
                     10 * scale);
    }
    return scene;
}
