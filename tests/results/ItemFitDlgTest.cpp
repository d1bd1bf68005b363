#include "results/ItemFitDlg.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "fit/FitEngine.h"
#include "model/ItemExpectation.h"
#include "res/resource.h"
#include "results/BackgroundWork.h"
#include "results/ProgressDlg.h"
#include "results/ResultsDlg.h"
#include "stats/ItemFitFormat.h"
#include "tests/TempDirectory.h"
#include "tests/framework/GuiTest.h"
#include "tests/results/ExampleRun.h"

namespace {

// Whether the picture holds a pixel of the colour.
bool holds(const afxtest::Picture& picture, std::uint32_t colour)
{
    for (const std::uint32_t pixel : picture.pixels)
        if (pixel == colour)
            return true;
    return false;
}

class ItemFitDlgTest : public GuiTest {
protected:
    static std::vector<std::string> column(CItemFitDlg& d, int c)
    {
        std::vector<std::string> texts;
        for (int row = 0; row < d.m_list.GetItemCount(); ++row)
            texts.push_back(d.m_list.GetItemText(row, c));
        return texts;
    }

    TempDirectory folder_;
};

}  // namespace

// From the results' context menu to the item fit of the run: the table as
// talver-fit has it, sorted at a click on a heading, the chart of the row
// selected, and the table copied and saved.
TEST_F(ItemFitDlgTest, OpensFromTheResultsSortsAndCharts)
{
    const std::shared_ptr<RunOutcome> run = RunExample();
    ItemExpectation expectation;
    ASSERT_TRUE(ExpectItemCategories(run->model, expectation, 1));
    const ItemFit wanted = ComputeItemFit(run->byItem, expectation, 3, 0);

    unsigned choice = 5;  // "Item fit..."
    std::vector<std::string> menu;
    afxtest::SetPopupMenuHandler([&](const std::vector<std::string>& items) {
        menu = items;
        return choice;
    });
    const std::filesystem::path saved = folder_.path() / "items.csv";
    afxtest::SetFileChooserHandler([&](const std::string& title, const std::string&) {
        EXPECT_EQ(title, "Save table as CSV");
        return std::optional<std::string>(saved.string());
    });
    CResultsDlg results;
    results.m_pRun = AnalysisOf(*run);
    // Each window's script is queued just before it opens, so that those
    // it opens in turn take theirs.
    const std::function<void(CDialog&)> lookAtItemFit = [&](CDialog& dialog) {
        auto& d = dynamic_cast<CItemFitDlg&>(dialog);
        EXPECT_EQ(d.Template().caption, std::string("Item fit"));
        ASSERT_EQ(d.m_list.GetItemCount(), 20);
        EXPECT_EQ(d.m_list.GetItemText(0, CItemFitDlg::kItem), "1");
        char sx2[32];
        std::snprintf(sx2, sizeof sx2, "%.4f", wanted.items[0].sx2);
        EXPECT_EQ(d.m_list.GetItemText(0, CItemFitDlg::kSx2), sx2);
        EXPECT_EQ(d.m_list.GetItemText(0, CItemFitDlg::kGroups), std::to_string(wanted.items[0].groups.size()));
        EXPECT_EQ(d.ChartedItem(), 1);
        afxtest::Picture chart = afxtest::Capture(d.m_chart);
        EXPECT_TRUE(holds(chart, 0xDC0000u));  // observed
        EXPECT_TRUE(holds(chart, 0x0000E6u));  // expected
        // The score axis's title reads upwards in the left margin: its ink
        // is a narrow column, taller than wide.
        int left = chart.width, right = -1, top = chart.height, bottom = -1;
        for (int y = 0; y < chart.height; ++y)
            for (int x = 0; x < 20; ++x)  // the margin left of the numbers
                if ((chart.at(x, y) & 0xFFFFFF) < 0x808080) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        ASSERT_GE(right, left);
        EXPECT_GT(bottom - top, 3 * (right - left)) << left << "," << top << " to " << right << "," << bottom;

        // S-X² descending at the second click, then back to item order.
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSx2);
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSx2);
        std::vector<double> values;
        for (const std::string& text : column(d, CItemFitDlg::kSx2))
            values.push_back(std::stod(text));
        EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));
        EXPECT_EQ(d.ChartedItem(), 1);  // the selection went with its row
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kItem);
        EXPECT_EQ(column(d, CItemFitDlg::kItem).front(), "1");
        EXPECT_EQ(column(d, CItemFitDlg::kItem).back(), "20");

        afxtest::ClickListItem(d, IDC_ITEM_LIST, 6);
        EXPECT_EQ(d.ChartedItem(), 7);
        EXPECT_EQ(afxtest::Capture(d.m_chart).pixels == chart.pixels, false);

        choice = 1;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(menu, (std::vector<std::string>{"Copy table", "Save table as CSV..."}));
        const std::string copied = afxtest::ClipboardText();
        EXPECT_EQ(copied.substr(0, copied.find('\n')), "Item\tS-X\u00B2\tdf\tp\tAdjusted p\tRMSEA\tGroups\tSimulated p\tFlagged");
        EXPECT_EQ(std::count(copied.begin(), copied.end(), '\n'), 21);
        choice = 2;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(folder_.read(saved.string()), FormatItemFitCsv(wanted));

        // Simulated p-values fill their column; Cancel at the count leaves it empty.
        EXPECT_EQ(d.m_list.GetItemText(0, CItemFitDlg::kSimulatedP), "");
        onModal([](CDialog& ask) { afxtest::Click(ask, IDCANCEL); });
        afxtest::Click(d, IDC_SIMULATE);
        EXPECT_EQ(d.m_list.GetItemText(0, CItemFitDlg::kSimulatedP), "");
        onModal([](CDialog& ask) {
            EXPECT_EQ(ask.GetDlgItem(IDC_REPLICATES)->GetWindowText(), "1000");
            afxtest::Type(ask, IDC_REPLICATES, "99");
            afxtest::Click(ask, IDOK);
        });
        afxtest::Click(d, IDC_SIMULATE);
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSimulatedP);
        std::vector<double> simulated;
        for (const std::string& text : column(d, CItemFitDlg::kSimulatedP))
            simulated.push_back(std::stod(text));
        EXPECT_TRUE(std::is_sorted(simulated.begin(), simulated.end()));
        EXPECT_GE(simulated.front(), 0.01);
        EXPECT_LE(simulated.back(), 1.0);
        afxtest::RightClick(d.m_list);
        EXPECT_NE(folder_.read(saved.string()).find(",groups,p_mc\n"), std::string::npos);
        screenshot(d, "item-fit.png");
        afxtest::Click(d, IDOK);
    };
    onModal([&](CDialog& d) {
        onModal(lookAtItemFit);
        afxtest::RightClick(*d.GetDlgItem(IDC_FREQUENCIES));
        onModal([&](CDialog& again) {
            EXPECT_EQ(again.Template().caption, std::string("Item fit"));
            afxtest::Click(again, IDOK);
        });
        choice = 5;
        afxtest::RightClick(*d.GetDlgItem(IDC_FREQUENCIES));  // the second time from what the first worked out
        afxtest::Click(d, IDOK);
    });
    results.DoModal();
}

TEST_F(ItemFitDlgTest, ARunWithoutCountsSaysSo)
{
    CResultsDlg results;
    afxtest::SetPopupMenuHandler([](const std::vector<std::string>&) { return 5u; });
    onModal([&](CDialog& d) {
        afxtest::RightClick(*d.GetDlgItem(IDC_FREQUENCIES));
        const std::vector<std::string> shown = messages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(shown[0].find("did not count the subjects item by item"), std::string::npos);
        afxtest::Click(d, IDOK);
    });
    results.DoModal();
}

// Long work shows its progress and ends the wait by itself; Cancel stops
// it and leaves no result.
TEST_F(ItemFitDlgTest, ProgressEndsByItselfOrAtCancel)
{
    const std::shared_ptr<RunOutcome> run = RunExample();
    auto big = std::make_shared<RunOutcome>(*run);
    big->model.theta.clear();
    big->model.weight.clear();
    for (int q = 0; q < 400000; ++q) {
        big->model.theta.push_back(-4.0f + 8.0f * q / 400000);
        big->model.weight.push_back(1.0f);
    }
    const auto expect = [](std::shared_ptr<RunOutcome> run, std::optional<ItemExpectation>& result) {
        return [run, &result](const std::function<bool(double)>& report) {
            ItemExpectation expectation;
            if (ExpectItemCategories(run->model, expectation, 2, report))
                result = std::move(expectation);
        };
    };
    {
        std::optional<ItemExpectation> result;
        BackgroundWork work(expect(big, result));
        CProgressDlg progress(work, "Item fit", nullptr);
        onModal([&](CDialog& d) {
            EXPECT_EQ(d.GetWindowText(), "Item fit");
            afxtest::Click(d, IDCANCEL);
        });
        EXPECT_EQ(progress.DoModal(), IDCANCEL);
        EXPECT_TRUE(work.waitFor(std::chrono::seconds(30)));
        EXPECT_TRUE(work.cancelled());
        EXPECT_FALSE(result);
    }
    std::optional<ItemExpectation> result;
    BackgroundWork work(expect(run, result));
    CProgressDlg progress(work, "Item fit", nullptr);
    onModal([&](CDialog& d) { EXPECT_TRUE(afxtest::WaitUntilClosed(d, 30000)); });
    EXPECT_EQ(progress.DoModal(), IDOK);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->items(), 20);
}

// After any sort the rows keep their items: the chart of the row clicked,
// the simulated p-values by item whether they come before or after the
// sort, and an item without a p last whichever way p is sorted.
TEST_F(ItemFitDlgTest, RowsKeepTheirItemsThroughSortsAndSimulation)
{
    ItemFit fit;
    const double sx2[] = {4.5, 20.25, 1.5, 9.75};
    for (int i = 0; i < 4; ++i) {
        ItemFit::Item item;
        item.item = i + 1;
        item.sx2 = sx2[i];
        item.df = i == 2 ? 0 : 3;
        if (item.df > 0)
            item.p = item.pAdjusted = 0.1 * (4 - i);
        ItemFit::Group group;
        group.firstScore = group.lastScore = i + 1;
        group.subjects = 10;
        group.observed = group.expected = {5, 5};
        item.groups.push_back(group);
        fit.items.push_back(item);
    }
    CItemFitDlg d(fit, 2);
    const auto simulated = [](std::uint64_t) {
        MonteCarloResult result;
        result.itemP = {0.125, 0.25, 0.5, 0.75};  // by item
        return std::optional<MonteCarloResult>(result);
    };
    d.m_simulate = simulated;
    const auto itemOf = [&](int row) { return std::stoi(d.m_list.GetItemText(row, CItemFitDlg::kItem)); };
    const auto expectSimulatedByItem = [&] {
        for (int row = 0; row < 4; ++row) {
            char text[32];
            std::snprintf(text, sizeof text, "%.4f", simulated(0)->itemP[static_cast<std::size_t>(itemOf(row) - 1)]);
            EXPECT_EQ(d.m_list.GetItemText(row, CItemFitDlg::kSimulatedP), text) << "row " << row;
        }
    };
    const auto simulate = [&] {
        onModal([](CDialog& ask) { afxtest::Click(ask, IDOK); });
        afxtest::Click(d, IDC_SIMULATE);
    };
    onModal([&](CDialog&) {
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSx2);
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSx2);  // largest first
        EXPECT_EQ(itemOf(0), 2);
        afxtest::ClickListItem(d, IDC_ITEM_LIST, 1);
        EXPECT_EQ(d.ChartedItem(), 4);
        simulate();  // sorted, then simulated
        expectSimulatedByItem();
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kItem);
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kItem);  // simulated, then sorted
        EXPECT_EQ(itemOf(0), 4);
        expectSimulatedByItem();
        afxtest::ClickListItem(d, IDC_ITEM_LIST, 2);
        EXPECT_EQ(d.ChartedItem(), 2);
        for (int clicks = 0; clicks < 2; ++clicks) {
            afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kP);
            EXPECT_EQ(itemOf(3), 3) << "the item without a p, sorted " << (clicks ? "down" : "up");
        }
        afxtest::Click(d, IDOK);
    });
    d.DoModal();
}

// Copy and Save as CSV take the rows in the order shown after a sort,
// simulated p-values with their items: the CSV is the one of the items
// listed in that order.
TEST_F(ItemFitDlgTest, CopiedAndSavedInTheOrderShown)
{
    ItemFit fit;
    const double sx2[] = {4.5, 20.25, 1.5, 9.75};
    for (int i = 0; i < 4; ++i) {
        ItemFit::Item item;
        item.item = i + 1;
        item.sx2 = sx2[i];
        item.df = 3;
        item.p = item.pAdjusted = 0.1 * (4 - i);
        fit.items.push_back(item);
    }
    fit.names = {"one", "two", "three", "four"};
    const std::vector<double> byItem = {0.125, 0.25, 0.5, 0.75};
    CItemFitDlg d(fit, 2);
    d.m_simulate = [&](std::uint64_t) {
        MonteCarloResult result;
        result.itemP = byItem;
        return std::optional<MonteCarloResult>(result);
    };
    unsigned choice = 0;
    afxtest::SetPopupMenuHandler([&](const std::vector<std::string>&) { return choice; });
    const std::filesystem::path saved = folder_.path() / "items.csv";
    afxtest::SetFileChooserHandler(
        [&](const std::string&, const std::string&) { return std::optional<std::string>(saved.string()); });
    // The first field of each line below the header.
    const auto firstFields = [](const std::string& text, char separator) {
        std::vector<std::string> fields;
        for (std::size_t at = text.find('\n') + 1; at < text.size(); at = text.find('\n', at) + 1)
            fields.push_back(text.substr(at, text.find(separator, at) - at));
        return fields;
    };
    const auto listed = [&](const std::vector<int>& order, const std::vector<double>* simulated) {
        ItemFit shown = fit;
        std::vector<double> p;
        shown.items.clear();
        for (const int item : order) {
            shown.items.push_back(fit.items[static_cast<std::size_t>(item - 1)]);
            p.push_back(byItem[static_cast<std::size_t>(item - 1)]);
        }
        return FormatItemFitCsv(shown, simulated ? &p : nullptr);
    };
    onModal([&](CDialog&) {
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSx2);
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSx2);  // largest first
        choice = 1;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(firstFields(afxtest::ClipboardText(), '\t'), (std::vector<std::string>{"two", "four", "one", "three"}));
        choice = 2;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(firstFields(folder_.read(saved.string()), ','), (std::vector<std::string>{"2", "4", "1", "3"}));
        EXPECT_EQ(folder_.read(saved.string()), listed({2, 4, 1, 3}, nullptr));

        onModal([](CDialog& ask) { afxtest::Click(ask, IDOK); });
        afxtest::Click(d, IDC_SIMULATE);
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSimulatedP);
        afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSimulatedP);  // largest first
        choice = 1;
        afxtest::RightClick(d.m_list);
        const std::string copied = afxtest::ClipboardText();
        EXPECT_EQ(firstFields(copied, '\t'), (std::vector<std::string>{"four", "three", "two", "one"}));
        EXPECT_NE(copied.find("four\t9.7500\t3\t0.1000\t0.1000\t\u2014\t0\t0.7500\t\n"), std::string::npos) << copied;
        choice = 2;
        afxtest::RightClick(d.m_list);
        EXPECT_EQ(folder_.read(saved.string()), listed({4, 3, 2, 1}, &byItem));
        afxtest::Click(d, IDOK);
    });
    d.DoModal();
}

// Whatever the work throws stays on its thread, and what failed is told.
// A statistic that is not a number has no place among the others: it
// goes last either way, and the sort keeps its order.
TEST_F(ItemFitDlgTest, NotANumberSortsLast)
{
    ItemFit fit;
    for (int i = 0; i < 60; ++i) {
        ItemFit::Item item;
        item.item = i + 1;
        item.sx2 = i % 3 == 0 ? std::nan("") : (i * 37) % 61;
        item.df = 3;
        fit.items.push_back(item);
    }
    CItemFitDlg d(fit, 2);
    onModal([&](CDialog&) {
        for (int click = 0; click < 2; ++click) {
            afxtest::ClickColumnHeading(d, IDC_ITEM_LIST, CItemFitDlg::kSx2);
            std::vector<double> shown;
            for (int row = 0; row < d.m_list.GetItemCount(); ++row)
                shown.push_back(fit.items[static_cast<std::size_t>(
                                              std::stoi(d.m_list.GetItemText(row, CItemFitDlg::kItem)) - 1)]
                                    .sx2);
            ASSERT_EQ(shown.size(), 60u);
            for (std::size_t row = 40; row < 60; ++row)
                EXPECT_TRUE(std::isnan(shown[row])) << row;
            const std::vector<double> numbers(shown.begin(), shown.begin() + 40);
            EXPECT_TRUE(click == 0 ? std::is_sorted(numbers.begin(), numbers.end())
                                   : std::is_sorted(numbers.rbegin(), numbers.rend()));
        }
        afxtest::Click(d, IDOK);
    });
    d.DoModal();
}

TEST_F(ItemFitDlgTest, BackgroundFailuresAreToldNotFatal)
{
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[] { throw std::bad_alloc(); }, "not enough memory"},
        {[] { throw std::runtime_error("the disk went away"); }, "the disk went away"},
        {[] { throw 42; }, "an unexpected error"},
        {[] {}, ""},
    };
    for (const auto& [fail, told] : cases) {
        BackgroundWork work([fail = fail](const std::function<bool(double)>&) { fail(); });
        ASSERT_TRUE(work.waitFor(std::chrono::seconds(30)));
        EXPECT_EQ(work.failure(), told);
    }
}
