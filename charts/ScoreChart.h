#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "charts/ChartScene.h"

// A chart of observed (red) and expected (blue) score distributions, with
// score and frequency axes and a legend, for a paper or a report. Drawn
// without a display.
struct ScoreChart {
    std::int32_t firstScore = 0;
    std::vector<double> observed, expected;
    std::string title;
};

// The title the score chart has wherever it is drawn for the user.
inline constexpr const char* kScoreChartTitle = "Observed and expected score distributions";

// Width and height of the picture in pixels.
constexpr int kScoreChartWidth = 800;
constexpr int kScoreChartHeight = 500;

// The chart as it is drawn.
ChartScene ScoreChartScene(const ScoreChart& chart);

// Writes the chart as PNG or SVG, by the name's extension (.png, .svg, in
// any case); false for another extension or a file that cannot be written.
// In talver_charts, with the toolkit.
bool SaveScoreChart(const ScoreChart& chart, const std::string& path);
