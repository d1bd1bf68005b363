#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A chart as its painter draws it, in the chart's own pixels from the top
// left: the filled boxes, then the lines, then the texts. Files and windows
// paint the same scene, so what a chart shows is worked out once, here,
// and can be checked without drawing it.
struct ChartScene {
    struct Point {
        double x = 0, y = 0;
    };
    struct Box {
        double left = 0, top = 0, right = 0, bottom = 0;
        double width() const { return right - left; }
        double height() const { return bottom - top; }
    };
    enum class Align { Left, Centre, Right };
    struct Fill {
        Box box;
        std::uint32_t colour = 0;  // 0xRRGGBB
    };
    struct Line {
        std::vector<Point> points;
        std::uint32_t colour = 0;
        double width = 1;
        double marks = 0;  // the radius of a dot at each point; 0 for none
    };
    struct Text {
        Box box;  // the text sits in its middle, vertically
        std::string text;
        Align align = Align::Centre;
        double size = 12;  // pixels
        bool bold = false;
        bool upright = false;  // read bottom to top, as a vertical axis's title
        std::uint32_t colour = 0;
    };

    double width = 0, height = 0;
    std::string title;  // of the picture, for a file's metadata
    bool smooth = true;  // lines antialiased
    std::vector<Fill> fills;
    std::vector<Line> lines;
    std::vector<Text> texts;

    void fill(const Box& box, std::uint32_t colour) { fills.push_back({box, colour}); }
    void line(std::vector<Point> points, std::uint32_t colour, double lineWidth = 1, double marks = 0)
    {
        lines.push_back({std::move(points), colour, lineWidth, marks});
    }
    // The outline of box, drawn along its edges.
    void frame(const Box& box, std::uint32_t colour, double lineWidth = 1);
    void text(const Box& box, std::string words, Align align, double size, std::uint32_t colour = 0,
              bool bold = false)
    {
        texts.push_back({box, std::move(words), align, size, bold, false, colour});
    }
};

// The colours every chart uses.
constexpr std::uint32_t kChartBlack = 0x000000, kChartWhite = 0xFFFFFF;
constexpr std::uint32_t kObservedColour = 0xDC0000, kExpectedColour = 0x0000E6;
constexpr std::uint32_t kFlaggedColour = 0xC80000, kGridColour = 0xE1E1E1, kDiagonalColour = 0xEBEBEB;

// A step of 1, 2 or 5 times a power of ten giving about target ticks.
double NiceStep(double range, int target);

// The round values from low to high, NiceStep apart for about target
// ticks, but never closer than least.
std::vector<double> AxisTicks(double low, double high, int target, double least = 0);

// A number as an axis shows it: the shortest form, no trailing zeros.
std::string AxisNumber(double value);

// A label of up to longest bytes: a longer one cut within whole
// characters, with an ellipsis.
std::string CutLabel(const std::string& text, std::size_t longest);
