#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// printf into a string, for the statistics' text forms; lines stay short.
template <typename... Values>
std::string FormatText(const char* pattern, Values... values)
{
    char text[512];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// Where a figure has none.
inline constexpr const char* kNoFigure = "\u2014";

// A statistic as a person reads it: four decimals; a dash where there is
// none.
inline std::string FigureText(double value) { return FormatText("%.4f", value); }
inline std::string FigureText(std::optional<double> value) { return value ? FigureText(*value) : kNoFigure; }

// A p-value as a person reads it: four decimals, and "<0.0001" below
// them, so that a column of p-values lines up and none reads as zero; a
// dash where there is none.
inline std::string PValueText(std::optional<double> p)
{
    if (!p || std::isnan(*p))
        return kNoFigure;
    return *p < 0.0001 ? std::string("<0.0001") : FigureText(*p);
}

// A number at full precision, as CSV and JSON carry it: 17 significant
// digits read back to the same double.
inline std::string FullPrecision(double value) { return FormatText("%.17g", value); }

// A text as one CSV field: quoted, its quotes doubled, when it holds a
// separator, a quote or a line end.
inline std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The names of items from 1, as the tables' headers give them; names from
// users' files may be of any length, so a column is as wide as its
// longest, up to a point, and a longer one runs on.
inline int NameWidth(const std::vector<std::string>& names)
{
    std::size_t width = 4;
    for (const std::string& name : names)
        width = std::max(width, name.size());
    return static_cast<int>(std::min<std::size_t>(width, 24));
}

// text and blanks after it to width, whole however long.
inline std::string PadRight(const std::string& text, int width)
{
    return text + std::string(text.size() < static_cast<std::size_t>(width) ? width - text.size() : 0, ' ');
}
