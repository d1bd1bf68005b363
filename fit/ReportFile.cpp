#include "fit/ReportFile.h"

#include <algorithm>

#include "fit/InputReader.h"

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

void WriteFitReport(std::FILE* out, std::FILE* outg, const ScoreTable& table)
{
    std::fprintf(out, "WIN TALVER OUTPUT\n\nChi-square % 10.4f\n\n", table.chiSquare);
    std::fprintf(out, "Score   Observed   Expected\n       frequence  frequence\n\n");
    for (std::int32_t k = 0; k < table.rowCount(); ++k)
        std::fprintf(out, "% 5i % 10.0f % 10.4f \n", table.firstScore + k, table.observed[k],
                     table.expected[k]);

    // With every frequency 0 there is no scale; heights of 0 keep the file
    // finite and readable.
    const double scale = graphScale(table);
    std::fprintf(outg, "% 5i\n", table.rowCount());
    for (std::int32_t k = 0; k < table.rowCount(); ++k) {
        // Heights are divided in double, as the printed digits require.
        const double observed = static_cast<float>(table.observed[k]);
        const double expected = table.expected[k];
        std::fprintf(outg, "% 5i % 10.0f % 10.8f % 10.4f % 10.8f \n", table.firstScore + k,
                     observed, scale != 0.0 ? observed / scale : 0.0, expected,
                     scale != 0.0 ? expected / scale : 0.0);
    }
    std::fprintf(outg, "% 10.4f \n", table.chiSquare);
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
