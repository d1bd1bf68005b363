#include "dialogs/CategorySizeDlg.h"
#include "dialogs/MatrixSizeDlg.h"
#include "dialogs/NodeCountDlg.h"

#include "res/resource.h"
#include "tests/framework/GuiTest.h"

namespace {

const std::string kSubjectsRange = "Please enter an integer between 1 and 1000000.";
const std::string kPositive = "Please enter a positive integer.";

class SizeDialogsTest : public GuiTest {};

TEST_F(SizeDialogsTest, OpeningShowsZerosWithTheFocusOnTheFirstTabStop)
{
    CMatrixSizeDlg matrix;
    onModal([&](CDialog& d) {
        EXPECT_EQ(text(d, IDC_SUBJECTS), "0");
        EXPECT_EQ(text(d, IDC_ITEMS), "0");
        EXPECT_EQ(afxtest::FocusedId(d), IDC_SUBJECTS);
        EXPECT_EQ(afxtest::TabOrder(d), (std::vector<int>{IDC_SUBJECTS, IDC_ITEMS, IDOK, IDCANCEL}));
        EXPECT_TRUE(afxtest::IsDefaultButton(d, IDOK));
        screenshot(d, "matrix-size.png");
        afxtest::PressKey(d, afxtest::Key::Escape);
    });
    EXPECT_EQ(matrix.DoModal(), IDCANCEL);

    CCategorySizeDlg categories;
    onModal([&](CDialog& d) {
        EXPECT_EQ(text(d, IDC_CATEGORIES), "0");
        EXPECT_EQ(afxtest::FocusedId(d), IDOK);
        EXPECT_EQ(afxtest::TabOrder(d), (std::vector<int>{IDOK, IDCANCEL, IDC_SUBJECTS, IDC_ITEMS, IDC_CATEGORIES}));
        afxtest::PressMnemonic(d, 'S');
        EXPECT_EQ(afxtest::FocusedId(d), IDC_SUBJECTS);
        screenshot(d, "category-size.png");
        afxtest::Click(d, IDCANCEL);
    });
    EXPECT_EQ(categories.DoModal(), IDCANCEL);

    CNodeCountDlg nodes;
    onModal([&](CDialog& d) {
        EXPECT_EQ(text(d, IDC_NODES), "0");
        EXPECT_EQ(afxtest::FocusedId(d), IDOK);
        screenshot(d, "node-count.png");
        d.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(nodes.DoModal(), IDCANCEL);
}

TEST_F(SizeDialogsTest, MatrixSizeReadsWritesBackAndReadsAgain)
{
    CMatrixSizeDlg dialog;
    onModal([&](CDialog& d) {
        // Items are bound first, and a failed reading is reported twice.
        EXPECT_EQ(pressContinue(d), (std::vector<std::string>{kSubjectsRange, kSubjectsRange}));
        EXPECT_EQ(afxtest::FocusedId(d), IDC_ITEMS);
        EXPECT_TRUE(afxtest::WholeTextSelected(d, IDC_ITEMS));

        // Typed text is put back to the stored values: the 50 is lost.
        afxtest::Type(d, IDC_ITEMS, "abc");
        afxtest::Type(d, IDC_SUBJECTS, "50");
        EXPECT_EQ(pressContinue(d), (std::vector<std::string>{kPositive, kSubjectsRange}));
        EXPECT_EQ(text(d, IDC_ITEMS), "0");
        EXPECT_EQ(text(d, IDC_SUBJECTS), "0");
        EXPECT_EQ(afxtest::FocusedId(d), IDC_ITEMS);

        // With valid items, the subjects are looked at.
        afxtest::Type(d, IDC_ITEMS, "20");
        afxtest::Type(d, IDC_SUBJECTS, "1000001");
        EXPECT_EQ(pressContinue(d), (std::vector<std::string>{kSubjectsRange, kSubjectsRange}));
        EXPECT_EQ(text(d, IDC_SUBJECTS), "1000001");
        EXPECT_EQ(afxtest::FocusedId(d), IDC_SUBJECTS);
        for (const char* bad : {"-5", "12abc", ""}) {
            afxtest::Type(d, IDC_SUBJECTS, bad);
            // The second reading sees the stored 1000001 again.
            EXPECT_EQ(pressContinue(d), (std::vector<std::string>{kPositive, kSubjectsRange})) << bad;
        }
        afxtest::Type(d, IDC_SUBJECTS, "99999999999");
        EXPECT_EQ(pressContinue(d), (std::vector<std::string>{kSubjectsRange, kSubjectsRange}));

        afxtest::Type(d, IDC_ITEMS, " 007\t");
        afxtest::Type(d, IDC_SUBJECTS, "1000000");
        afxtest::PressKey(d, afxtest::Key::Enter);
        EXPECT_EQ(messages(), std::vector<std::string>{});
        EXPECT_EQ(text(d, IDC_ITEMS), "7");
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_nItems, 7u);
    EXPECT_EQ(dialog.m_nSubjects, 1000000u);
}

TEST_F(SizeDialogsTest, CategoriesAreCheckedFirst)
{
    CCategorySizeDlg dialog;
    onModal([&](CDialog& d) {
        afxtest::Type(d, IDC_SUBJECTS, "x");
        afxtest::Type(d, IDC_ITEMS, "x");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please enter an integer between 1 and 100."});
        EXPECT_EQ(afxtest::FocusedId(d), IDC_CATEGORIES);
        afxtest::Type(d, IDC_CATEGORIES, "101");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please enter an integer between 1 and 100."});
        afxtest::Type(d, IDC_CATEGORIES, "100");
        afxtest::Type(d, IDC_ITEMS, "10");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{kPositive});
        EXPECT_EQ(afxtest::FocusedId(d), IDC_SUBJECTS);
        afxtest::Click(d, IDCANCEL);  // after a failed Continue
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_nCategories, 100u);  // stored before the failure
    EXPECT_EQ(dialog.m_nItems, 10u);
    EXPECT_EQ(dialog.m_nSubjects, 0u);

    CCategorySizeDlg accepted;
    onModal([&](CDialog& d) {
        afxtest::Type(d, IDC_CATEGORIES, "4");
        afxtest::Type(d, IDC_ITEMS, "10");
        afxtest::Type(d, IDC_SUBJECTS, "250");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{});
    });
    EXPECT_EQ(accepted.DoModal(), IDOK);
    EXPECT_EQ(accepted.m_nSubjects, 250u);
}

TEST_F(SizeDialogsTest, NodeCountRange)
{
    const std::string range = "Please enter an integer between 20 and 100.";
    struct {
        const char* typed;
        std::vector<std::string> messages;
    } const cases[] = {
        {"0", {range}},  {"19", {range}}, {"101", {range}}, {"-5", {range}},
        {"99999999999", {range}}, {"abc", {"Please enter an integer."}}, {"20", {}}, {" 100 ", {}},
    };
    for (const auto& c : cases) {
        CNodeCountDlg dialog;
        onModal([&](CDialog& d) {
            afxtest::Type(d, IDC_NODES, c.typed);
            EXPECT_EQ(pressContinue(d), c.messages) << c.typed;
            if (!c.messages.empty())
                afxtest::Click(d, IDCANCEL);
        });
        EXPECT_EQ(dialog.DoModal(), c.messages.empty() ? IDOK : IDCANCEL) << c.typed;
    }
}

}  // namespace
