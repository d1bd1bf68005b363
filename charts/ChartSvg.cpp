#include "charts/ChartSvg.h"

#include <cmath>
#include <cstdio>

namespace {

// Coordinates to a hundredth of a pixel, without trailing zeros: charts
// of many cells stay small.
std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", std::round(value * 100) / 100 + 0.0);
    std::string shown = text;
    shown.erase(shown.find_last_not_of('0') + 1);
    if (shown.back() == '.')
        shown.pop_back();
    return shown == "-0" ? "0" : shown;
}

std::string colour(std::uint32_t rgb)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", rgb & 0xFFFFFFu);
    return text;
}

}  // namespace

std::string EscapeMarkup(const std::string& text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text)
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    return escaped;
}

void WriteSvg(std::ostream& out, const ChartScene& scene)
{
    const std::string width = number(scene.width), height = number(scene.height);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << width << " " << height << "\" width=\""
        << width << "\" height=\"" << height << "\" font-family=\"DejaVu Sans, Arial, sans-serif\" role=\"img\" aria-label=\"" << EscapeMarkup(scene.title) << "\""
        << (scene.smooth ? "" : " shape-rendering=\"crispEdges\"") << ">";
    if (!scene.title.empty())
        out << "<title>" << EscapeMarkup(scene.title) << "</title>";
    for (const ChartScene::Fill& fill : scene.fills)
        out << "<rect x=\"" << number(fill.box.left) << "\" y=\"" << number(fill.box.top) << "\" width=\""
            << number(fill.box.width()) << "\" height=\"" << number(fill.box.height()) << "\" fill=\""
            << colour(fill.colour) << "\"/>";
    // Lines drawn alike one after another go in one path: the outlines
    // of a heat map's flagged cells would otherwise be most of the page.
    for (std::size_t k = 0; k < scene.lines.size();) {
        const ChartScene::Line& line = scene.lines[k];
        std::size_t end = k + 1;
        while (end < scene.lines.size() && line.marks == 0 && scene.lines[end].marks == 0 &&
               scene.lines[end].colour == line.colour && scene.lines[end].width == line.width)
            ++end;
        out << "<path fill=\"none\" stroke=\"" << colour(line.colour) << "\" stroke-width=\"" << number(line.width)
            << "\" stroke-linejoin=\"round\" stroke-linecap=\"round\" d=\"";
        for (std::size_t j = k; j < end; ++j)
            for (std::size_t p = 0; p < scene.lines[j].points.size(); ++p)
                out << (p ? "L" : "M") << number(scene.lines[j].points[p].x) << " " << number(scene.lines[j].points[p].y);
        out << "\"/>";
        if (line.marks > 0) {
            out << "<g fill=\"" << colour(line.colour) << "\">";
            for (const ChartScene::Point& point : line.points)
                out << "<circle cx=\"" << number(point.x) << "\" cy=\"" << number(point.y) << "\" r=\""
                    << number(line.marks) << "\"/>";
            out << "</g>";
        }
        k = end;
    }
    for (const ChartScene::Text& text : scene.texts) {
        if (text.text.empty())
            continue;
        using Align = ChartScene::Align;
        const char* anchor = text.align == Align::Left ? "start" : text.align == Align::Right ? "end" : "middle";
        // Upright text is laid along its box's height, read bottom to top.
        const double along = text.upright ? text.box.height() : text.box.width();
        const double start = text.align == Align::Left ? 0 : text.align == Align::Right ? along : along / 2;
        const double middleX = (text.box.left + text.box.right) / 2, middleY = (text.box.top + text.box.bottom) / 2;
        const double x = text.upright ? middleX : text.box.left + start;
        const double y = text.upright ? text.box.bottom - start : middleY;
        out << "<text x=\"" << number(x) << "\" y=\"" << number(y) << "\" font-size=\"" << number(text.size)
            << "\" text-anchor=\"" << anchor << "\" dominant-baseline=\"central\"";
        if (text.upright)
            out << " transform=\"rotate(-90 " << number(x) << " " << number(y) << ")\"";
        if (text.bold)
            out << " font-weight=\"bold\"";
        if (text.colour != kChartBlack)
            out << " fill=\"" << colour(text.colour) << "\"";
        out << ">" << EscapeMarkup(text.text) << "</text>";
    }
    out << "</svg>";
}
