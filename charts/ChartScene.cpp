#include "charts/ChartScene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void ChartScene::frame(const Box& box, std::uint32_t colour, double lineWidth)
{
    line({{box.left, box.top}, {box.right, box.top}, {box.right, box.bottom}, {box.left, box.bottom},
          {box.left, box.top}},
         colour, lineWidth);
}

double NiceStep(double range, int target)
{
    const double raw = range / target;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (raw <= factor * power)
            return factor * power;
    return 10.0 * power;
}

std::vector<double> AxisTicks(double low, double high, int target, double least)
{
    std::vector<double> ticks;
    if (!(high > low))
        return {low};
    const double step = std::max(NiceStep(high - low, target), least);
    // Counted in whole steps, and a step below 1 as a whole number of
    // tenths, hundredths, ... divided, so that 3 steps of 0.1 are 0.3,
    // not 0.30000000000000004.
    const double scale = step < 1 ? std::pow(10.0, std::ceil(-std::log10(step))) : 1.0;
    const double whole = std::round(step * scale);
    const bool decimal = std::abs(whole / scale - step) <= 1e-12 * step;
    for (double k = std::ceil(low / step - 1e-9); k * step <= high + step * 1e-9; ++k)
        ticks.push_back((decimal ? k * whole / scale : k * step) + 0.0);  // + 0.0: never -0
    return ticks;
}

std::string AxisNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value == 0 ? 0.0 : value);  // never "-0"
    return text;
}

std::string CutLabel(const std::string& text, std::size_t longest)
{
    if (text.size() <= longest || longest == 0)
        return text;
    // Cut at a character's start, not within one.
    std::size_t cut = longest - 1;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + "\u2026";
}
