#pragma once

#include "charts/ChartScene.h"

class CDC;

// Paints a chart's scene on a window, in the window's own font: what the
// files show, worked out once in the chart models.
void PaintScene(CDC& dc, const ChartScene& scene);
