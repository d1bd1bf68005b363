#pragma once

#include <cstdio>
#include <string>

// printf into a string, for the statistics' text forms; lines stay short.
template <typename... Values>
std::string FormatText(const char* pattern, Values... values)
{
    char text[512];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// A number at full precision, as CSV and JSON carry it: 17 significant
// digits read back to the same double.
inline std::string FullPrecision(double value) { return FormatText("%.17g", value); }
