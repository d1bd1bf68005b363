#include "fit/ReportFile.h"

#include <cmath>

#include "tests/TempDirectory.h"

namespace {

class ReportFileTest : public InTempDirectory {
protected:
    void writeReports(const ScoreTable& table)
    {
        std::FILE* out = std::fopen(kReportFile, "w");
        std::FILE* outg = std::fopen(kGraphReportFile, "w");
        ASSERT_TRUE(out && outg);
        WriteFitReport(out, outg, table);
        std::fclose(out);
        std::fclose(outg);
    }

    static ScoreTable example()
    {
        ScoreTable table;
        table.observed = {10, 20, 10};
        table.expected = {8, 24, 8};
        table.chiSquare = 5.0 / 3.0;
        return table;
    }
};

TEST_F(ReportFileTest, BothReportsByteForByte)
{
    writeReports(example());
    EXPECT_EQ(read("OUT"),
              "WIN TALVER OUTPUT\n"
              "\n"
              "Chi-square     1.6667\n"
              "\n"
              "Score   Observed   Expected\n"
              "       frequence  frequence\n"
              "\n"
              "    0         10     8.0000 \n"
              "    1         20    24.0000 \n"
              "    2         10     8.0000 \n");
    EXPECT_EQ(read("OUTG"),
              "    3\n"
              "    0         10  0.40322582     8.0000  0.32258066 \n"
              "    1         20  0.80645164    24.0000  0.96774197 \n"
              "    2         10  0.40322582     8.0000  0.32258066 \n"
              "    1.6667 \n");
}

TEST_F(ReportFileTest, PolytomousRowsStartAtTheirFirstScoreAndZerosStayFinite)
{
    ScoreTable table;
    table.firstScore = 5;
    table.observed = {0, 3};
    table.expected = {0.5, 2.5};
    writeReports(table);
    EXPECT_EQ(read("OUTG"),
              "    2\n"
              "    5          0  0.00000000     0.5000  0.16129033 \n"
              "    6          3  0.96774197     2.5000  0.80645164 \n"
              "    0.0000 \n");

    ScoreTable empty;
    empty.observed = {0, 0};
    empty.expected = {0, 0};
    writeReports(empty);
    EXPECT_EQ(read("OUTG"),
              "    2\n"
              "    0          0  0.00000000     0.0000  0.00000000 \n"
              "    1          0  0.00000000     0.0000  0.00000000 \n"
              "    0.0000 \n");
}

TEST_F(ReportFileTest, ReadsBackWhatWasWritten)
{
    writeReports(example());
    const GraphReport report = ReadGraphReport();
    ASSERT_TRUE(report.complete);
    ASSERT_EQ(report.rowCount, 3);
    ASSERT_EQ(report.rows.size(), 3u);
    EXPECT_EQ(report.rows[1].score, 1);
    EXPECT_EQ(report.rows[1].observed, 20);
    EXPECT_EQ(report.rows[1].observedHeight, 0.80645164f);
    EXPECT_EQ(report.rows[1].expected, 24.0f);
    EXPECT_EQ(report.rows[1].expectedHeight, 0.96774197f);
    EXPECT_EQ(report.chiSquare, 1.6667f);
}

TEST_F(ReportFileTest, ReadingSurvivesBrokenFiles)
{
    struct {
        const char* text;
        bool complete;
        int rowCount;
        std::size_t rows;
    } const cases[] = {
        {"", false, 0, 0},
        {"    3\n    0         10  0.4 8.0 0.3\n", false, 3, 1},      // short
        {"    3\n    0         10  0.4 x 0.3\n", false, 3, 0},        // malformed
        {"2147483647\n", false, 2147483647, 0},                       // absurd count
        {"-4\n 1.5\n", true, 0, 0},
        {"1\n 0 1 nan 1 1\n 0.5\n", false, 1, 0},
    };
    for (const auto& c : cases) {
        write("OUTG", c.text);
        const GraphReport report = ReadGraphReport();
        EXPECT_TRUE(report.opened);
        EXPECT_EQ(report.complete, c.complete) << c.text;
        EXPECT_EQ(report.rowCount, c.rowCount) << c.text;
        EXPECT_EQ(report.rows.size(), c.rows) << c.text;
    }
    EXPECT_FALSE(ReadGraphReport("missing").opened);
}

}  // namespace
