#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A chart of observed (red) and expected (blue) score distributions, with
// score and frequency axes and a legend, for a paper or a report. Drawn
// without a display.
struct ScoreChart {
    std::int32_t firstScore = 0;
    std::vector<double> observed, expected;
    std::string title;
};

// Writes the chart as PNG or SVG, by the name's extension (.png, .svg, in
// any case); false for another extension or a file that cannot be written.
bool SaveScoreChart(const ScoreChart& chart, const std::string& path);

// Width and height of the picture in pixels.
constexpr int kScoreChartWidth = 800;
constexpr int kScoreChartHeight = 500;
