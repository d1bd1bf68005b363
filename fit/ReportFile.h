#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fit/ScoreTable.h"

// Report file names, in the current working directory.
inline constexpr const char* kReportFile = "OUT";
inline constexpr const char* kGraphReportFile = "OUTG";

// The text of the readable report "OUT" and of the graph report "OUTG".
std::string FormatFitReport(const ScoreTable& table);
std::string FormatGraphReport(const ScoreTable& table);

// Writes the readable report to out and the graph report to outg, both
// already created by the engine; false when a write fails.
bool WriteFitReport(std::FILE* out, std::FILE* outg, const ScoreTable& table);

// One row of the graph report as read back.
struct GraphReportRow {
    std::int32_t score = 0;
    std::int32_t observed = 0;
    float observedHeight = 0.0f;  // observed / scale
    float expected = 0.0f;
    float expectedHeight = 0.0f;  // expected / scale
};

// The graph report as read back. Rows holds only what was read in full;
// complete is false when the file ended or broke off early, in which case
// rowCount may exceed rows.size().
struct GraphReport {
    bool opened = false;
    bool complete = false;
    std::int32_t rowCount = 0;
    std::vector<GraphReportRow> rows;
    float chiSquare = 0.0f;
};

GraphReport ReadGraphReport(const std::string& path = kGraphReportFile);
