#include "results/LocalDependenceDlg.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "charts/PairMap.h"
#include "model/PairExpectation.h"
#include "res/resource.h"
#include "results/ResultsDlg.h"
#include "stats/LocalDependenceFormat.h"
#include "stats/TextFormat.h"
#include "tests/TempDirectory.h"
#include "tests/framework/GuiTest.h"
#include "tests/results/ExampleRun.h"
#include "tests/stats/FourItemPairs.h"

namespace {

class LocalDependenceDlgTest : public GuiTest {
protected:
    // Its Simulate gives the pairs these p-values, by position.
    static void simulating(CLocalDependenceDlg& d, const std::vector<double>& byPair)
    {
        d.m_simulate = [byPair](std::uint64_t) {
            MonteCarloResult result;
            result.pairP = byPair;
            return std::optional<MonteCarloResult>(result);
        };
    }

    TempDirectory folder_;
};

}  // namespace

// From the results' context menu to the pairs of the run: the heat map's
// cells in the colours of their signed V, a tip with the pair's figures,
// a click on a cell selecting its row, the list sorted, copied and saved.
TEST_F(LocalDependenceDlgTest, OpensFromTheResultsWithMapTipsAndList)
{
    const std::shared_ptr<RunOutcome> run = RunExample();
    PairExpectation expectation;
    ASSERT_TRUE(ExpectPairCategories(run->model, expectation, 1));
    const LocalDependence wanted = ComputeLocalDependence(run->pairs, expectation);
    const PairMap map = PairMapOf(wanted, 20, "");

    unsigned choice = 6;  // "Local dependence..."
    afxtest::SetPopupMenuHandler([&](const std::vector<std::string>&) { return choice; });
    const std::filesystem::path saved = folder_.path() / "pairs.csv";
    afxtest::SetFileChooserHandler([&](const std::string&, const std::string&) {
        return std::optional<std::string>(saved.string());
    });
    CResultsDlg results;
    results.m_pRun = AnalysisOf(*run);
    onModal([&](CDialog& d) {
        afxtest::RightClick(*d.GetDlgItem(IDC_FREQUENCIES));
        afxtest::Click(d, IDOK);
    });
    onModal([&](CDialog& dialog) {
        auto& d = dynamic_cast<CLocalDependenceDlg&>(dialog);
        EXPECT_EQ(d.Template().caption, std::string("Local dependence"));
        ASSERT_EQ(d.m_list.GetItemCount(), 190);

        // Cell (row 4, column 19) is the pair of items 4 and 19.
        const PairMapLayout layout = d.m_map.Layout();
        const ChartScene::Box cell = layout.cellBox(3, 18), diagonal = layout.cellBox(0, 0);
        const int x = static_cast<int>((cell.left + cell.right) / 2), y = static_cast<int>((cell.top + cell.bottom) / 2);
        int first = 0, second = 0;
        ASSERT_TRUE(d.m_map.PairAt(CPoint{x, y}, first, second));
        EXPECT_EQ(first, 4);
        EXPECT_EQ(second, 19);
        const afxtest::Picture picture = afxtest::Capture(d.m_map);
        const std::uint32_t colour = DependenceColour(map.signedV[3 * 20 + 18], map.scale());
        EXPECT_EQ(picture.at(x, y), colour);
        const ChartScene::Box mirrored = layout.cellBox(18, 3);
        EXPECT_EQ(picture.at(static_cast<int>((mirrored.left + mirrored.right) / 2),
                             static_cast<int>((mirrored.top + mirrored.bottom) / 2)),
                  colour);  // the same pair the other way round
        EXPECT_EQ(picture.at(static_cast<int>(diagonal.left + 2), static_cast<int>(diagonal.top + 2)), kDiagonalColour);

        afxtest::MoveMouseTo(d.m_map, x, y);
        const std::string tip = CToolTipCtrl::GetToolText(&d.m_map);
        EXPECT_EQ(tip.rfind("Items 4 and 19: X\u00B2 ", 0), 0u) << tip;

        afxtest::ClickAt(d.m_map, x, y);
        ASSERT_GE(d.SelectedRow(), 0);
        EXPECT_EQ(d.m_list.GetItemText(d.SelectedRow(), CLocalDependenceDlg::kFirst), "4");
        EXPECT_EQ(d.m_list.GetItemText(d.SelectedRow(), CLocalDependenceDlg::kSecond), "19");

        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kX2);
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kX2);
        std::vector<double> values;
        for (int row = 0; row < d.m_list.GetItemCount(); ++row)
            values.push_back(std::stod(d.m_list.GetItemText(row, CLocalDependenceDlg::kX2)));
        EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));
        afxtest::ClickAt(d.m_map, x, y);  // its row, wherever the sorting put it
        EXPECT_EQ(d.m_list.GetItemText(d.SelectedRow(), CLocalDependenceDlg::kSecond), "19");

        choice = 1;
        afxtest::RightClick(d.m_list);
        const std::string copied = afxtest::ClipboardText();
        EXPECT_EQ(copied.substr(0, copied.find('\n')), "First\tSecond\tX\u00B2\tdf\tp\tAdjusted p\tSign\tV\tSimulated p\tFlagged");
        EXPECT_EQ(std::count(copied.begin(), copied.end(), '\n'), 191);
        choice = 2;
        afxtest::RightClick(d.m_list);
        std::vector<std::size_t> shown;  // the pairs' records, largest X² first
        for (int row = 0; row < d.m_list.GetItemCount(); ++row)
            shown.push_back(PairPosition(std::stoi(d.m_list.GetItemText(row, CLocalDependenceDlg::kFirst)),
                                         std::stoi(d.m_list.GetItemText(row, CLocalDependenceDlg::kSecond)), 20));
        EXPECT_EQ(folder_.read(saved.string()), FormatPairsCsv(wanted, nullptr, &shown));
        screenshot(d, "local-dependence.png");
        afxtest::Click(d, IDOK);
    });
    results.DoModal();
}

// A run that did not count pairs says so.
TEST_F(LocalDependenceDlgTest, ARunWithoutPairsSaysWhy)
{
    auto run = std::make_shared<RunOutcome>(*RunExample());
    run->pairs = PairCounts();
    CResultsDlg results;
    results.m_pRun = AnalysisOf(*run);
    afxtest::SetPopupMenuHandler([](const std::vector<std::string>&) { return 6u; });
    onModal([&](CDialog& d) {
        afxtest::RightClick(*d.GetDlgItem(IDC_FREQUENCIES));
        const std::vector<std::string> shown = messages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(shown[0].find("did not count the subjects pair by pair"), std::string::npos);
        afxtest::Click(d, IDOK);
    });
    results.DoModal();
}

// Simulated p-values go to their pairs, whether they come before or after
// a sort.
TEST_F(LocalDependenceDlgTest, SimulatedPValuesStayWithTheirPairs)
{
    const LocalDependence dependence = FourItemPairs();
    const std::vector<double> byPair = {0.125, 0.25, 0.375, 0.5, 0.625, 0.75};
    CLocalDependenceDlg d(dependence, 4);
    simulating(d, byPair);
    const auto expectByPair = [&] {
        for (int row = 0; row < d.m_list.GetItemCount(); ++row) {
            const int first = std::stoi(d.m_list.GetItemText(row, CLocalDependenceDlg::kFirst));
            const int second = std::stoi(d.m_list.GetItemText(row, CLocalDependenceDlg::kSecond));
            char text[32];
            std::snprintf(text, sizeof text, "%.4f", byPair[PairPosition(first, second, 4)]);
            EXPECT_EQ(d.m_list.GetItemText(row, CLocalDependenceDlg::kSimulatedP), text) << first << " " << second;
        }
    };
    onModal([&](CDialog&) {
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kX2);
        onModal([](CDialog& ask) { afxtest::Click(ask, IDOK); });
        afxtest::Click(d, IDC_SIMULATE);
        expectByPair();
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kSimulatedP);
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kSimulatedP);
        EXPECT_EQ(d.m_list.GetItemText(0, CLocalDependenceDlg::kSecond), "4");  // pair 3 and 4, the last
        expectByPair();
        afxtest::Click(d, IDOK);
    });
    d.DoModal();
}

// Copy and Save as CSV take the pairs in the order shown after a sort,
// simulated p-values with their pairs: the CSV is the one of the pairs
// listed in that order.
TEST_F(LocalDependenceDlgTest, CopiedAndSavedInTheOrderShown)
{
    const LocalDependence dependence = FourItemPairs();
    const std::vector<double> byPair = {0.125, 0.25, 0.375, 0.5, 0.625, 0.75};
    CLocalDependenceDlg d(dependence, 4);
    simulating(d, byPair);
    unsigned choice = 0;
    afxtest::SetPopupMenuHandler([&](const std::vector<std::string>&) { return choice; });
    const std::filesystem::path saved = folder_.path() / "pairs.csv";
    afxtest::SetFileChooserHandler(
        [&](const std::string&, const std::string&) { return std::optional<std::string>(saved.string()); });
    // Each line's pair below the header, as "first second".
    const auto pairsIn = [](const std::string& text, char separator) {
        std::vector<std::string> pairs;
        for (std::size_t at = text.find('\n') + 1; at < text.size(); at = text.find('\n', at) + 1) {
            const std::size_t second = text.find(separator, at) + 1;
            pairs.push_back(text.substr(at, second - 1 - at) + " " +
                            text.substr(second, text.find(separator, second) - second));
        }
        return pairs;
    };
    const auto listed = [&](const std::vector<std::size_t>& order, bool simulated) {
        LocalDependence shown = dependence;
        std::vector<double> p;
        shown.pairs.clear();
        for (const std::size_t k : order) {
            shown.pairs.push_back(dependence.pairs[k]);
            p.push_back(byPair[k]);
        }
        return FormatPairsCsv(shown, simulated ? &p : nullptr);
    };
    onModal([&](CDialog&) {
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kX2);
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kX2);  // largest first
        const std::vector<std::string> byX2 = {"3 4", "1 3", "2 3", "1 2", "2 4", "1 4"};
        choice = 1;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(pairsIn(afxtest::ClipboardText(), '\t'), byX2);
        choice = 2;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(pairsIn(folder_.read(saved.string()), ','), byX2);
        EXPECT_EQ(folder_.read(saved.string()), listed({5, 1, 3, 0, 4, 2}, false));

        onModal([](CDialog& ask) { afxtest::Click(ask, IDOK); });
        afxtest::Click(d, IDC_SIMULATE);
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kSimulatedP);
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kSimulatedP);  // largest first
        const std::vector<std::string> bySimulated = {"3 4", "2 4", "2 3", "1 4", "1 3", "1 2"};
        choice = 1;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(pairsIn(afxtest::ClipboardText(), '\t'), bySimulated);
        choice = 2;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(folder_.read(saved.string()), listed({5, 4, 3, 2, 1, 0}, true));
        afxtest::Click(d, IDOK);
    });
    d.DoModal();
}

// Every pair of a 1,000-item test, 499,500 rows, in the list: it opens
// and sorts without holding a row's texts, the columns wide enough for
// what they hold, and the selection stays with its pair. The times go to
// the test's output for the record; a benchmark, not this test, holds
// them to a goal.
TEST_F(LocalDependenceDlgTest, EveryPairOfAThousandItems)
{
    constexpr int kItems = 1000;
    LocalDependence dependence;
    unsigned state = 7;
    const auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 8 & 0xFFFF; };
    for (int first = 1; first <= kItems; ++first)
        for (int second = first + 1; second <= kItems; ++second) {
            LocalDependence::Pair pair;
            pair.first = first;
            pair.second = second;
            pair.x2 = next() / 100.0;
            pair.df = 1;
            pair.p = next() / 65536.0;
            pair.pAdjusted = std::min(1.0, pair.p * 3);
            pair.sign = next() % 2 ? 1 : -1;
            pair.v = next() / 65536.0 / 4;
            pair.flagged = pair.pAdjusted < 0.05;
            dependence.pairs.push_back(pair);
        }
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::time_point since) {
        return std::chrono::duration<double>(Clock::now() - since).count();
    };
    CLocalDependenceDlg d(dependence, kItems);
    const Clock::time_point opening = Clock::now();
    onModal([&](CDialog&) {
        afxtest::Capture(d);  // drawn once, the list and the heat map
        std::printf("[ timing   ] opening %.3f s\n", seconds(opening));
        ASSERT_EQ(d.m_list.GetItemCount(), 499500);
        EXPECT_EQ(d.m_list.GetItemText(499499, CLocalDependenceDlg::kFirst), "999");
        EXPECT_EQ(d.m_list.GetItemText(499499, CLocalDependenceDlg::kSecond), "1000");

        afxtest::ClickListItem(d, IDC_PAIR_LIST, 2);  // the pair of items 1 and 4
        const Clock::time_point sorting = Clock::now();
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kX2);
        afxtest::ClickColumnHeading(d, IDC_PAIR_LIST, CLocalDependenceDlg::kX2);  // largest first
        afxtest::Capture(d);
        std::printf("[ timing   ] two sorts %.3f s\n", seconds(sorting));
        double largest = 0;
        for (const LocalDependence::Pair& pair : dependence.pairs)
            largest = std::max(largest, pair.x2);
        EXPECT_EQ(d.m_list.GetItemText(0, CLocalDependenceDlg::kX2), FormatText("%.4f", largest));
        const int selected = d.m_list.GetNextItem(-1, LVNI_SELECTED);
        ASSERT_GE(selected, 0);
        EXPECT_EQ(d.m_list.GetItemText(selected, CLocalDependenceDlg::kFirst), "1");
        EXPECT_EQ(d.m_list.GetItemText(selected, CLocalDependenceDlg::kSecond), "4");
        // Each column holds its widest text: the largest X² among them.
        const int needed = d.m_list.GetStringWidth(FormatText("%.4f", largest));
        EXPECT_GT(afxtest::ColumnWidth(d, IDC_PAIR_LIST, CLocalDependenceDlg::kX2), needed);
        afxtest::Click(d, IDOK);
    });
    d.DoModal();
}
