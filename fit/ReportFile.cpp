#include "fit/ReportFile.h"

#include <algorithm>

#include "input/InputReader.h"

namespace {

// The scale of the graph report: the largest frequency plus a thirtieth,
// so that it plots a little below 1. Single precision throughout.
float graphScale(const ScoreTable& table)
{
    float largest = 0.0f;
    for (std::size_t k = 0; k < table.observed.size(); ++k) {
        largest = std::max(largest, static_cast<float>(table.observed[k]));
        largest = std::max(largest, static_cast<float>(table.expected[k]));
    }
    return largest + largest * 0.033333335f;
}

}  // namespace

namespace {

// Formatted printing onto the end of text, however long the numbers.
template <typename... Values>
void append(std::string& text, const char* format, Values... values)
{
    const int length = std::snprintf(nullptr, 0, format, values...);
    if (length <= 0)
        return;
    const std::size_t at = text.size();
    text.resize(at + static_cast<std::size_t>(length) + 1);
    std::snprintf(&text[at], static_cast<std::size_t>(length) + 1, format, values...);
    text.resize(at + static_cast<std::size_t>(length));
}

}  // namespace

std::string FormatFitReport(const ScoreTable& table)
{
    std::string text;
    append(text, "WIN TALVER OUTPUT\n\nChi-square % 10.4f\n\n", table.chiSquare);
    text += "Score   Observed   Expected\n       frequence  frequence\n\n";
    for (std::int32_t k = 0; k < table.rowCount(); ++k)
        append(text, "% 5i % 10.0f % 10.4f \n", table.firstScore + k, table.observed[k], table.expected[k]);
    return text;
}

std::string FormatGraphReport(const ScoreTable& table)
{
    // With every frequency 0 there is no scale; heights of 0 keep the file
    // finite and readable.
    const double scale = graphScale(table);
    std::string text;
    append(text, "% 5i\n", table.rowCount());
    for (std::int32_t k = 0; k < table.rowCount(); ++k) {
        // Heights are divided in double, as the printed digits require.
        const double observed = static_cast<float>(table.observed[k]);
        const double expected = table.expected[k];
        append(text, "% 5i % 10.0f % 10.8f % 10.4f % 10.8f \n", table.firstScore + k, observed,
               scale != 0.0 ? observed / scale : 0.0, expected, scale != 0.0 ? expected / scale : 0.0);
    }
    append(text, "% 10.4f \n", table.chiSquare);
    return text;
}

bool WriteFitReport(std::FILE* out, std::FILE* outg, const ScoreTable& table)
{
    const std::string report = FormatFitReport(table), graph = FormatGraphReport(table);
    const bool reportWritten = std::fwrite(report.data(), 1, report.size(), out) == report.size();
    const bool graphWritten = std::fwrite(graph.data(), 1, graph.size(), outg) == graph.size();
    return reportWritten && graphWritten && std::fflush(out) == 0 && std::fflush(outg) == 0;
}

GraphReport ReadGraphReport(const std::string& path)
{
    GraphReport report;
    InputReader in(path);
    report.opened = in.isOpen();
    if (!report.opened)
        return report;
    report.rowCount = std::max(in.readInteger(), 0);
    for (std::int32_t k = 0; k < report.rowCount && !in.failed(); ++k) {
        GraphReportRow row;
        row.score = in.readInteger();
        row.observed = in.readInteger();
        row.observedHeight = in.readReal();
        row.expected = in.readReal();
        row.expectedHeight = in.readReal();
        if (!in.failed())
            report.rows.push_back(row);
    }
    report.chiSquare = in.readReal();
    report.complete = !in.failed();
    return report;
}
