#pragma once

#include <QGuiApplication>

#include <memory>

#include "charts/ChartScene.h"

class QPainter;

// Text needs the toolkit; a program without a window of its own gets one
// that needs no display, for as long as it holds it. Null when there is
// one already.
std::unique_ptr<QGuiApplication> ChartToolkit();

// Paints scene in its own pixels from the painter's origin: fills, lines,
// then texts.
void PaintChartScene(QPainter& painter, const ChartScene& scene);
