#pragma once

#include <string>
#include <vector>

#include "charts/ChartScene.h"
#include "stats/ItemFit.h"

// One small chart per item in a grid, each with the observed (red) and
// expected (blue) mean item score of its merged score groups; flagged
// items have their frame and number in red.
struct ItemCharts {
    std::vector<ItemCurve> items;
    double highest = 1.0;  // the top of the score axis: K − 1
    std::string measure;   // what the curves show, "Proportion correct", ...
    std::string title;
};

// What the curves show of items whose highest score is highest.
inline std::string ItemMeasure(double highest)
{
    return highest == 1.0 ? "Proportion correct" : "Mean item score";
}

// The grid of a run's item fit, items of K categories; here, for the batch
// runner draws through the chart module and links no toolkit.
inline ItemCharts ItemChartsOf(const ItemFit& fit, int categories)
{
    ItemCharts charts;
    for (const ItemFit::Item& item : fit.items)
        charts.items.push_back(CurveOf(item, fit.givenName(item.item)));
    charts.highest = categories - 1;
    charts.measure = ItemMeasure(charts.highest);
    charts.title = "Observed and expected item scores";
    return charts;
}

// The axes every item's chart shares: the whole totals around every
// group's middle, and item scores from 0 to the highest.
struct ItemChartAxes {
    double low = 0.0, high = 1.0, highest = 1.0;
    std::string measure = ItemMeasure(1.0);  // the item scores' title
};
ItemChartAxes ItemChartAxesOf(const std::vector<ItemCurve>& curves, double highest);

// One item's chart drawn into box, its labels textSize pixels high.
void AddItemChart(ChartScene& scene, const ItemCurve& curve, const ItemChartAxes& axes, const ChartScene::Box& box,
                  double textSize);

// The grid's columns for count charts.
int ItemChartColumns(std::size_t count);

// The grid with its title, as a file has it.
ChartScene ItemChartsScene(const ItemCharts& charts);
// The grid in columns columns, every chart on axes: a part of a longer
// grid, as a page holds it.
ChartScene ItemChartsScene(const ItemCharts& charts, const ItemChartAxes& axes, int columns);

// Writes the grid as PNG or SVG, by the name's extension; false for another
// extension or a file that cannot be written. In talver_charts.
bool SaveItemCharts(const ItemCharts& charts, const std::string& path);
