#include "charts/ScoreChart.h"

#include <algorithm>
#include <cmath>

ChartScene ScoreChartScene(const ScoreChart& chart)
{
    ChartScene scene;
    scene.width = kScoreChartWidth;
    scene.height = kScoreChartHeight;
    scene.title = chart.title;
    const ChartScene::Box plot{80, 50, kScoreChartWidth - 30, kScoreChartHeight - 60};
    scene.fill({0, 0, scene.width, scene.height}, kChartWhite);

    const int points = static_cast<int>(std::min(chart.observed.size(), chart.expected.size()));
    const int first = chart.firstScore, last = first + std::max(points - 1, 1);
    double top = 0.0;
    for (int k = 0; k < points; ++k)
        top = std::max({top, chart.observed[k], chart.expected[k]});
    const double yStep = NiceStep(top > 0 ? top : 1.0, 6);
    top = std::ceil((top > 0 ? top : 1.0) / yStep) * yStep;
    const auto at = [&](double score, double frequency) {
        return ChartScene::Point{plot.left + (score - first) / (last - first) * plot.width(),
                                 plot.bottom - frequency / top * plot.height()};
    };

    using Align = ChartScene::Align;
    for (const double y : AxisTicks(0, top, 6, yStep)) {
        scene.line({at(first, y), at(last, y)}, kGridColour);
        const double height = at(first, y).y;
        scene.text({0, height - 8, plot.left - 8, height + 8}, AxisNumber(y), Align::Right, 13);
    }
    for (const double x : AxisTicks(first, last, 10, 1.0)) {
        const ChartScene::Point foot = at(x, 0);
        scene.line({foot, {foot.x, foot.y + 5}}, kChartBlack);
        scene.text({foot.x - 30, plot.bottom + 8, foot.x + 30, plot.bottom + 24}, AxisNumber(x), Align::Centre, 13);
    }
    scene.frame(plot, kChartBlack);
    scene.text({plot.left, plot.bottom + 28, plot.right, plot.bottom + 48}, "Total score", Align::Centre, 13);
    scene.texts.push_back({{8, plot.top, 28, plot.bottom}, "Frequency", Align::Centre, 13, false, true, kChartBlack});
    scene.text({0, 12, scene.width, 36}, chart.title, Align::Centre, 16);

    const auto curve = [&](const std::vector<double>& values, std::uint32_t colour, double y, const char* name) {
        std::vector<ChartScene::Point> path;
        for (int k = 0; k < points; ++k)
            path.push_back(at(first + k, values[k]));
        scene.line(std::move(path), colour, 2, points <= 60 ? 3 : 0);
        // The legend, top right inside the plot.
        const ChartScene::Point key{plot.right - 130, plot.top + y};
        scene.line({key, {key.x + 30, key.y}}, colour, 2);
        scene.text({key.x + 38, key.y - 9, key.x + 128, key.y + 9}, name, Align::Left, 13);
    };
    curve(chart.observed, kObservedColour, 18, "Observed");
    curve(chart.expected, kExpectedColour, 40, "Expected");
    return scene;
}
