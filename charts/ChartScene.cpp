#include "charts/ChartScene.h"

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

std::string AxisNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value == 0 ? 0.0 : value);  // never "-0"
    return text;
}
