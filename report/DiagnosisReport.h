#pragma once

#include <cstdint>
#include <string>

#include "analysis/Analysis.h"
#include "report/Report.h"

// What a report says of a run beyond the analysis: the program, when and
// how it ran, and the simulated p-values where there are some.
struct ReportContext {
    std::string version;     // TALVER's
    std::string date;        // as the report shows it
    std::string vectorPath;  // the kernels' path the run took
    const MonteCarloResult* simulated = nullptr;
};

// This program's version, the time now (UTC) and the vector path it takes.
ReportContext CurrentReportContext(const MonteCarloResult* simulated);

// The heat map is left out above this many items: its cells would make
// the page large and could not be told apart.
constexpr int kMostMappedItems = 300;

// The whole diagnosis of a run that succeeded, in reading order: what was
// run (the model, every input file with its size and SHA-256, the counts,
// the program), the warnings, the test-level statistics, the score chart
// and table, the item fit (flagged items first) and its charts, the local
// dependence's heat map and largest pairs, the person fit where it was
// worked out (the histogram of lz*, the most misfitting subjects and their
// answers), and what each statistic means.
Report DiagnosisReport(const Analysis& analysis, const ReportContext& context);
