#pragma once

#include <cmath>
#include <sys/stat.h>

#include "fit/FitEngine.h"
#include "fit/ReportFile.h"
#include "tests/TempDirectory.h"

// A temporary directory with helpers to run an engine and read its reports.
class EngineTest : public InTempDirectory {
protected:
    // Expected frequencies and chi-square as the graph report holds them.
    static std::vector<double> expected(const GraphReport& report)
    {
        std::vector<double> values;
        for (const GraphReportRow& row : report.rows)
            values.push_back(row.expected);
        return values;
    }
    static std::vector<int> observed(const GraphReport& report)
    {
        std::vector<int> values;
        for (const GraphReportRow& row : report.rows)
            values.push_back(row.observed);
        return values;
    }
    static void expectNear(const std::vector<double>& actual, const std::vector<double>& wanted,
                           double tolerance)
    {
        ASSERT_EQ(actual.size(), wanted.size());
        for (std::size_t k = 0; k < actual.size(); ++k)
            EXPECT_NEAR(actual[k], wanted[k], tolerance) << "row " << k;
    }
    static bool exists(const char* name)
    {
        struct stat info;
        return stat(name, &info) == 0;
    }
};
