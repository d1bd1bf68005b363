#pragma once

#include <string>
#include <vector>

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

// Writes the grid as PNG or SVG, by the name's extension; false for another
// extension or a file that cannot be written.
bool SaveItemCharts(const ItemCharts& charts, const std::string& path);

// The grid's columns for count charts, and a chart's size in pixels.
int ItemChartColumns(std::size_t count);
