#pragma once

#include <string>

#include "charts/ItemCharts.h"
#include "charts/PairMap.h"
#include "charts/PersonCharts.h"
#include "charts/ScoreChart.h"
#include "report/Report.h"

// Draws a chart through the chart module, opened on first use from beside
// the program or from the installed library folder, never from the working
// directory. False, with a reason, when the module or the file fails.
bool SaveChartThroughModule(const ScoreChart& chart, const std::string& path, std::string& reason);
bool SaveChartThroughModule(const ItemCharts& charts, const std::string& path, std::string& reason);
bool SaveChartThroughModule(const PairMap& map, const std::string& path, std::string& reason);
bool SaveChartThroughModule(const PersonHistogram& histogram, const std::string& path, std::string& reason);
// The report as PDF, through the same module.
bool SaveReportThroughModule(const Report& report, const std::string& path, std::string& reason);
