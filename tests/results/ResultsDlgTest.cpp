#include "results/ResultsDlg.h"

#include "results/FitStatisticsDlg.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "fit/ReportFile.h"
#include "res/resource.h"
#include "tests/TempDirectory.h"
#include "tests/framework/GuiTest.h"
#include "tests/results/ExampleRun.h"

namespace {

// The graph report of a binary run with 2 items.
const char* const kTwoItemReport =
    "    3\n"
    "    0         10  0.40322582     8.0000  0.32258066 \n"
    "    1         20  0.80645164    24.0000  0.96774197 \n"
    "    2         10  0.40322582     8.0000  0.32258066 \n"
    "    1.6667 \n";

class ResultsDlgTest : public GuiTest {
protected:
    // Opens the results dialog over the report, hands it to look, closes it.
    void show(CResultsDlg& dialog, const std::function<void(CResultsDlg&)>& look)
    {
        onModal([&](CDialog&) {
            look(dialog);
            afxtest::Click(dialog, IDOK);
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
    static void writeReports(const ScoreTable& table)
    {
        TempDirectory::write(kReportFile, FormatFitReport(table));
        TempDirectory::write(kGraphReportFile, FormatGraphReport(table));
    }
    static std::vector<std::string> lines(CResultsDlg& dialog)
    {
        std::vector<std::string> texts(dialog.m_list.GetCount());
        for (int i = 0; i < dialog.m_list.GetCount(); ++i)
            dialog.m_list.GetText(i, texts[i]);
        return texts;
    }

    TempDirectory folder_;
};

TEST_F(ResultsDlgTest, ShowsTheBinaryExample)
{
    folder_.write(kGraphReportFile, kTwoItemReport);
    CResultsDlg dialog;
    show(dialog, [&](CResultsDlg& d) {
        EXPECT_EQ(lines(d), (std::vector<std::string>{" Score Expected  Observed", "                         ",
                                                      "     0     8.00        10", "     1    24.00        20",
                                                      "     2     8.00        10"}));
        EXPECT_EQ(text(d, IDC_CHI_SQUARE), "1.6667");
        EXPECT_EQ(text(d, IDC_MIN_SCORE), "0");
        EXPECT_EQ(text(d, IDC_MAX_SCORE), "2");
        EXPECT_EQ(afxtest::FocusedId(d), IDOK);

        // The plot covers the graph area; the middle of the expected curve
        // lies at 0.96774197 of its height once a tick has drawn it.
        const afxtest::Geometry area = afxtest::ControlGeometry(d, IDC_GRAPH_AREA);
        CRect client;
        d.m_plot.GetClientRect(&client);
        EXPECT_EQ(client.Width(), area.width);
        EXPECT_EQ(client.Height(), area.height);
        ASSERT_EQ(d.m_plot.m_nExpectedCount, 3);
        EXPECT_EQ(d.m_plot.m_dExpected[1], 0.96774197f);
        EXPECT_EQ(d.m_plot.m_dObserved[0], 0.40322582f);
        EXPECT_EQ(afxtest::TimerPeriod(d.m_plot, 1), 50);
        d.m_plot.SendMessage(WM_TIMER, 1);
        const afxtest::Picture picture = afxtest::Capture(d.m_plot);
        const int y = area.height - static_cast<int>(area.height * d.m_plot.m_dExpected[1]);
        EXPECT_EQ(picture.at(area.width / 2, y), 0x0000FFu);
    });
    EXPECT_FLOAT_EQ(dialog.m_fChiSquare, 1.6667f);
}

TEST_F(ResultsDlgTest, PolytomousScoreRangeComesFromTheRun)
{
    folder_.write(kGraphReportFile, kTwoItemReport);
    CResultsDlg dialog;
    dialog.m_nCategoryCount = 4;
    dialog.m_nItemCount = 5;
    dialog.m_nScorePointCount = 16;
    show(dialog, [&](CResultsDlg& d) {
        EXPECT_EQ(text(d, IDC_MIN_SCORE), "5");
        EXPECT_EQ(text(d, IDC_MAX_SCORE), "20");
    });
}

TEST_F(ResultsDlgTest, ChiSquareShowsSixSignificantDigits)
{
    for (const auto& [written, shown] : {std::pair<const char*, const char*>{"1234.5678", "1234.57"},
                                         {"0.0000", "0"}, {"12345678.9", "1.23457e+07"}}) {
        folder_.write(kGraphReportFile, std::string("1\n 0 1 1.0 1.0 1.0\n") + written + "\n");
        CResultsDlg dialog;
        show(dialog, [&](CResultsDlg& d) { EXPECT_EQ(text(d, IDC_CHI_SQUARE), shown); });
    }
}

TEST_F(ResultsDlgTest, TheListTakesNoSelection)
{
    folder_.write(kGraphReportFile, kTwoItemReport);
    CResultsDlg dialog;
    show(dialog, [&](CResultsDlg& d) {
        afxtest::ClickListItem(d, IDC_FREQUENCIES, 3);
        EXPECT_EQ(d.m_list.GetCurSel(), LB_ERR);
    });
}

// Another program may rewrite or remove the report between the run and
// the dialog: what could be read is shown, and the list says the rest.
TEST_F(ResultsDlgTest, AMissingShortOrMalformedReportShowsWhatItHolds)
{
    struct Case {
        const char* report;  // null: no file
        std::vector<std::string> rows;
        const char* note;
        int points;
    };
    const Case cases[] = {
        {nullptr, {}, " Cannot open OUTG", 0},
        {"    5\n    0  3 0.1 2.5 0.2 \n    1  4 0.2 3.5 0.3 \n", {"     0     2.50         3", "     1     3.50         4"},
         " OUTG is incomplete", 2},
        {"    3\n    0  3 0.1 2.5 0.2 \n    1  x 0.2 3.5 0.3 \n    2  4 0.2 3.5 0.3 \n", {"     0     2.50         3"},
         " OUTG is incomplete", 1},
        {"", {}, " OUTG is incomplete", 0},
    };
    for (const Case& c : cases) {
        std::remove(kGraphReportFile);
        if (c.report)
            folder_.write(kGraphReportFile, c.report);
        CResultsDlg dialog;
        show(dialog, [&](CResultsDlg& d) {
            std::vector<std::string> expected{" Score Expected  Observed", "                         "};
            expected.insert(expected.end(), c.rows.begin(), c.rows.end());
            expected.push_back(c.note);
            EXPECT_EQ(lines(d), expected);
            EXPECT_EQ(d.m_plot.m_nObservedCount, c.points);
            d.m_plot.SendMessage(WM_TIMER, 1);
        });
    }
}

// A binary test of 100 items: scores 0 to 100 in the list and the graph.
TEST_F(ResultsDlgTest, EveryOneOfMoreThanEightyScoresIsShown)
{
    ScoreTable table;
    for (int k = 0; k <= 100; ++k) {
        table.expected.push_back(1000.0 * std::exp(-(k - 60.0) * (k - 60.0) / 200.0) / std::sqrt(200.0 * M_PI));
        table.observed.push_back(std::round(table.expected.back()));
    }
    writeReports(table);

    CResultsDlg dialog;
    show(dialog, [&](CResultsDlg& d) {
        const std::vector<std::string> list = lines(d);
        ASSERT_EQ(list.size(), 103u);
        EXPECT_EQ(list.back().substr(0, 6), "   100");
        EXPECT_EQ(text(d, IDC_MAX_SCORE), "100");
        EXPECT_EQ(d.m_plot.m_nObservedCount, 101);
        EXPECT_EQ(d.m_plot.m_dExpected.size(), 101u);
    });
}

// A right-click on the list or the graph: copy or save the table, save the
// graph, or read the pooled statistics, which the chi-square's tip gives.
TEST_F(ResultsDlgTest, ContextMenuCopiesAndSavesTheTableAndTheGraph)
{
    folder_.write(kGraphReportFile, kTwoItemReport);
    const std::filesystem::path here = std::filesystem::current_path();
    std::vector<std::string> menu;
    unsigned choice = 0;
    afxtest::SetPopupMenuHandler([&](const std::vector<std::string>& items) {
        menu = items;
        return choice;
    });
    std::string chooserTitle;
    afxtest::SetFileChooserHandler([&](const std::string& title, const std::string&) {
        chooserTitle = title;
        return std::optional<std::string>((here / (title.find("CSV") != std::string::npos ? "t.csv" : "g.svg")).string());
    });
    CResultsDlg dialog;
    show(dialog, [&](CResultsDlg& d) {
        EXPECT_EQ(CToolTipCtrl::GetToolText(d.GetDlgItem(IDC_CHI_SQUARE)), "Pooled chi-square 1.6667, df 2, p 0.4346");

        choice = 1;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(menu, (std::vector<std::string>{"Copy table", "Save table as CSV...", "Save graph as PNG or SVG...",
                                                  "", "Fit statistics...", "Item fit...",
                                                  "Local dependence...", "Person fit...", "", "Save report..."}));
        EXPECT_EQ(afxtest::ClipboardText(),
                  "score\tobserved\texpected\tcontribution\tresidual\n0\t10\t8.0000\t0.5\t0.707107\n"
                  "1\t20\t24.0000\t0.666667\t-0.816497\n2\t10\t8.0000\t0.5\t0.707107\n");

        choice = 2;
        afxtest::RightClick(d.m_plot);
        EXPECT_EQ(chooserTitle, "Save table as CSV");
        EXPECT_EQ(folder_.read("t.csv").rfind("score,observed,expected,contribution,residual\n0,10,8.0000,", 0), 0u);
        choice = 3;
        afxtest::RightClick(d.m_plot);
        EXPECT_EQ(chooserTitle, "Save graph as PNG or SVG");
        EXPECT_NE(folder_.read("g.svg").find("<svg"), std::string::npos);
        EXPECT_EQ(std::filesystem::current_path(), here);  // saving moves no working directory

        choice = 4;
        onModal([&](CDialog& box) {
            const std::string shown = dynamic_cast<CFitStatisticsDlg&>(box).StatisticsText();
            EXPECT_NE(shown.find("Pooled Pearson chi-square"), std::string::npos) << shown;
            EXPECT_NE(shown.find("1.6667   df    2   p 0.4346"), std::string::npos) << shown;
            EXPECT_NE(shown.find("From the frequencies the list shows"), std::string::npos) << shown;
            EXPECT_FALSE(box.GetDlgItem(IDC_SIMULATE)->IsWindowEnabled());  // no run to simulate
            afxtest::Click(box, IDOK);
        });
        afxtest::RightClick(d.m_list);

        menu.clear();
        afxtest::RightClick(*d.GetDlgItem(IDOK));  // no menu on the button
        EXPECT_TRUE(menu.empty());
    });
}

// With the run behind the results, the statistics come from its own
// frequencies and can be simulated.
TEST_F(ResultsDlgTest, FitStatisticsOfARunGetSimulatedPValues)
{
    const std::shared_ptr<RunOutcome> run = RunExample();
    afxtest::SetPopupMenuHandler([](const std::vector<std::string>&) { return 4u; });
    CResultsDlg dialog;
    dialog.m_pRun = AnalysisOf(*run);
    onModal([&](CDialog& d) {
        afxtest::RightClick(*d.GetDlgItem(IDC_FREQUENCIES));
        afxtest::Click(d, IDOK);
    });
    onModal([&](CDialog& box) {
        auto& statistics = dynamic_cast<CFitStatisticsDlg&>(box);
        EXPECT_NE(statistics.StatisticsText().find("From the run's frequencies."), std::string::npos);
        EXPECT_EQ(statistics.StatisticsText().find("simulated p"), std::string::npos);
        onModal([](CDialog& ask) {
            afxtest::Type(ask, IDC_REPLICATES, "500");
            afxtest::Click(ask, IDOK);
        });
        afxtest::Click(box, IDC_SIMULATE);
        const std::string shown = statistics.StatisticsText();
        EXPECT_NE(shown.find("simulated p"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Simulated p: 500 data sets drawn under the model, seed 1"), std::string::npos) << shown;
        screenshot(box, "fit-statistics.png");
        afxtest::Click(box, IDOK);
    });
    dialog.DoModal();
}

// Work long enough to show its progress names its own step in the
// window's caption: the item fit, the pairs, the simulation, and the item
// fit and the pairs again when a report needs them. Cancel leaves nothing
// done. The example on 8,000,000 nodes makes the work long.
TEST_F(ResultsDlgTest, ProgressIsCaptionedWithItsOwnStep)
{
    auto big = std::make_shared<RunOutcome>(*RunExample());
    big->model.theta.clear();
    big->model.weight.clear();
    for (int q = 0; q < 8000000; ++q) {
        big->model.theta.push_back(-4.0f + 8.0f * static_cast<float>(q) / 8000000);
        big->model.weight.push_back(1.0f);
    }
    unsigned choice = 0;
    afxtest::SetPopupMenuHandler([&](const std::vector<std::string>&) { return choice; });
    const std::filesystem::path here = std::filesystem::current_path();
    afxtest::SetFileChooserHandler(
        [&](const std::string&, const std::string&) { return std::optional<std::string>((here / "r.html").string()); });
    std::vector<std::string> captions;
    const auto cancelProgress = [&] {
        onModal([&](CDialog& progress) {
            captions.push_back(progress.GetWindowText());
            afxtest::Click(progress, IDCANCEL);
        });
    };
    CResultsDlg dialog;
    dialog.m_pRun = AnalysisOf(*big);
    show(dialog, [&](CResultsDlg& d) {
        for (const unsigned step : {5u, 6u}) {  // item fit, local dependence
            choice = step;
            cancelProgress();
            afxtest::RightClick(d.m_list);
        }
        choice = 4;  // the fit statistics, simulated
        onModal([&](CDialog& box) {
            onModal([&](CDialog& ask) {
                afxtest::Type(ask, IDC_REPLICATES, "10000000");
                cancelProgress();
                afxtest::Click(ask, IDOK);
            });
            afxtest::Click(box, IDC_SIMULATE);
            afxtest::Click(box, IDOK);
        });
        afxtest::RightClick(d.m_list);
        choice = 7;  // the report: the item fit first
        cancelProgress();
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(d.m_pRun->itemFit(), nullptr);
        EXPECT_EQ(d.m_pRun->pairs(), nullptr);
        EXPECT_FALSE(std::filesystem::exists(here / "r.html"));
    });
    EXPECT_EQ(captions, (std::vector<std::string>{"item fit", "local dependence", "simulated p-values", "item fit"}));
    EXPECT_EQ(messages(), std::vector<std::string>{});
}

// The report of the run, as HTML or PDF: with the item fit and the pairs
// worked out for it, and the simulated p-values the user last asked for.
TEST_F(ResultsDlgTest, SavesTheReportOfTheRun)
{
    const std::shared_ptr<RunOutcome> run = RunExample();
    const std::filesystem::path here = std::filesystem::current_path();
    unsigned choice = 7;
    afxtest::SetPopupMenuHandler([&](const std::vector<std::string>&) { return choice; });
    std::string name = "report.html";
    afxtest::SetFileChooserHandler([&](const std::string& title, const std::string&) {
        EXPECT_EQ(title, "Save report as HTML or PDF");
        return std::optional<std::string>((here / name).string());
    });
    CResultsDlg dialog;
    dialog.m_pRun = AnalysisOf(*run);
    show(dialog, [&](CResultsDlg& d) {
        afxtest::RightClick(d.m_list);
        const std::string html = folder_.read("report.html");
        for (const char* said : {"<h2>Item fit</h2>", "<h2>Local dependence</h2>", "<table id=\"pairs\">",
                                 "3 parameters, binary items", "3pl-scores.dat"})
            EXPECT_NE(html.find(said), std::string::npos) << said;
        EXPECT_EQ(html.find("Simulated p"), std::string::npos);

        choice = 4;  // the fit statistics, simulated
        onModal([&](CDialog& box) {
            onModal([](CDialog& ask) {
                afxtest::Type(ask, IDC_REPLICATES, "50");
                afxtest::Click(ask, IDOK);
            });
            afxtest::Click(box, IDC_SIMULATE);
            afxtest::Click(box, IDOK);
        });
        afxtest::RightClick(d.m_list);
        choice = 7;
        name = "report.pdf";
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(folder_.read("report.pdf").rfind("%PDF-", 0), 0u);
        name = "report.htm";
        afxtest::RightClick(d.m_list);
        EXPECT_NE(folder_.read("report.htm").find("50 data sets, seed 1"), std::string::npos);

        name = "report.txt";
        afxtest::RightClick(d.m_list);
        EXPECT_FALSE(std::filesystem::exists(here / "report.txt"));
        const std::vector<std::string> said = messages();
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find("a report is saved as .html or .pdf"), std::string::npos) << said[0];
    });
}

TEST_F(ResultsDlgTest, EscapeClosesAndTheSystemMenuOpensTheAboutBox)
{
    folder_.write(kGraphReportFile, kTwoItemReport);
    CResultsDlg dialog;
    onModal([&](CDialog& d) {
        EXPECT_EQ(afxtest::SystemMenuItems(d), (std::vector<std::string>{"&Close\tAlt+F4", "", "&About TALVER..."}));
        afxtest::OpenSystemMenuAndChoose(d, IDM_ABOUTBOX);
        afxtest::PressKey(d, afxtest::Key::Escape);
    });
    onModal([&](CDialog& about) {
        EXPECT_EQ(about.Template().caption, std::string("About TALVER"));
        afxtest::Click(about, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

// A 20-item test's results, for a person to look at; the list's columns
// stand under the header's words in the fixed-pitch face.
TEST_F(ResultsDlgTest, RendersARealisticRun)
{
    ScoreTable table;
    for (int k = 0; k <= 20; ++k) {
        table.expected.push_back(1000.0 * std::exp(-(k - 12.0) * (k - 12.0) / 18.0) / std::sqrt(18.0 * M_PI));
        table.observed.push_back(std::round(table.expected.back() * (1.0 + 0.12 * std::sin(k * 1.9))));
        const double d = table.observed.back() - table.expected.back();
        table.chiSquare += d * d / table.expected.back();
    }
    writeReports(table);

    CResultsDlg dialog;
    show(dialog, [&](CResultsDlg& d) {
        const std::vector<std::string> list = lines(d);
        for (std::size_t i = 0; i < list.size(); ++i) {
            ASSERT_EQ(list[i].size(), 25u);
            if (i == 1)
                continue;
            for (std::size_t end : {5, 14, 24})  // "Score", "Expected", "Observed"
                EXPECT_NE(list[i][end], ' ') << list[i];
            for (std::size_t gap : {6, 15})
                EXPECT_EQ(list[i][gap], ' ') << list[i];
        }
        d.m_plot.SendMessage(WM_TIMER, 1);
        screenshot(d, "results.png");
    });
}

}  // namespace
