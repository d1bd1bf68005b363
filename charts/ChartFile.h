#pragma once

#include <functional>
#include <string>

class QPainter;

// Draws width x height pixels with draw into a PNG or SVG file, by the
// name's extension (.png, .svg, in any case); false for another extension
// or a file that cannot be written. Needs no display.
bool DrawChartFile(const std::string& path, int width, int height, const std::string& title,
                   const std::function<void(QPainter&)>& draw);

// A step of 1, 2 or 5 times a power of ten giving about target ticks.
double NiceStep(double range, int target);
