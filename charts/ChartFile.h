#pragma once

#include <string>

#include "charts/ChartScene.h"

// Paints scene into a PNG or SVG file, by the name's extension (.png, .svg,
// in any case); false for another extension or a file that cannot be
// written. Needs no display.
bool SaveChartFile(const ChartScene& scene, const std::string& path);
