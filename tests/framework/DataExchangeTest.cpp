#include "framework/DataExchange.h"

#include "tests/framework/GuiTest.h"

namespace {

TEST(ConversionTest, IntegersAsTheBoxesReadThem)
{
    struct {
        const char* text;
        bool isUnsigned;
        bool accepted;
        long long value;
    } const cases[] = {
        {"42", true, true, 42},
        {" \t 42\t ", true, true, 42},
        {"+7", true, true, 7},
        {"007", true, true, 7},
        {"0", true, true, 0},
        {"  0", true, true, 0},
        {"-5", true, false, 0},
        {"-5", false, true, -5},
        {"-0", false, false, 0},  // zero only from a leading digit 0
        {"+0", false, false, 0},
        {"", true, false, 0},
        {"  ", false, false, 0},
        {"12abc", true, false, 0},
        {"1 2", true, false, 0},
        {"1.0", false, false, 0},
        {"0x10", false, false, 0},
        {"99999999999", true, true, 99999999999LL},  // for the range test to refuse
    };
    for (const auto& c : cases) {
        long long value = 0;
        EXPECT_EQ(afx::ParseInteger(c.text, c.isUnsigned, value), c.accepted) << '"' << c.text << '"';
        if (c.accepted) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(ConversionTest, RealsAsTheBoxesReadThem)
{
    struct {
        const char* text;
        bool accepted;
        double value;
    } const cases[] = {
        {"1.5", true, 1.5},      {" -1.5\t", true, -1.5}, {"+2", true, 2},   {"1e3", true, 1000},
        {"2.5E-1", true, 0.25},  {".5", true, 0.5},       {"5.", true, 5},   {"0", true, 0},
        {"0.0", true, 0},        {"-0", false, 0},        {".0", false, 0},  {"", false, 0},
        {"abc", false, 0},       {"1e", false, 0},        {"1,5", false, 0}, {"inf", false, 0},
        {"nan", false, 0},       {"1e999", false, 0},     {"- 1", false, 0},
    };
    for (const auto& c : cases) {
        double value = -99;
        EXPECT_EQ(afx::ParseReal(c.text, value), c.accepted) << '"' << c.text << '"';
        if (c.accepted) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    EXPECT_EQ(afx::FormatReal(0.0, 15), "0");
    EXPECT_EQ(afx::FormatReal(-1.5, 15), "-1.5");
    EXPECT_EQ(afx::FormatReal(0.1, 15), "0.1");
    EXPECT_EQ(afx::FormatReal(1234.5678, 6), "1234.57");
}

// A dialog with one box of every bound kind, in a binding order that
// differs from the tab order.
const DialogTemplate kBoxes{
    900, 200, 100, "Boxes", "MS Sans Serif", 10, DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
    {
        {11, ControlKind::Edit, "", 10, 10, 60, 14, WS_TABSTOP | WS_BORDER},
        {12, ControlKind::Edit, "", 10, 30, 60, 14, WS_TABSTOP | WS_BORDER},
        {13, ControlKind::Edit, "", 10, 50, 60, 14, WS_TABSTOP | WS_BORDER},
        {14, ControlKind::Edit, "", 100, 10, 60, 14, WS_TABSTOP | WS_BORDER},
        {IDOK, ControlKind::DefPushButton, "OK", 100, 70, 40, 14, WS_TABSTOP},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 150, 70, 40, 14, WS_TABSTOP},
    }};

class BoxesDlg : public CDialog {
public:
    BoxesDlg() : CDialog(kBoxes, nullptr) {}
    UINT m_nCount = 0;
    int m_nSigned = 0;
    double m_dValue = 0.0;
    CString m_strName;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, 12, m_nCount);
        DDV_MinMaxUInt(pDX, m_nCount, 1, 1000000);
        DDX_Text(pDX, 11, m_nSigned);
        DDV_MinMaxInt(pDX, m_nSigned, 20, 100);
        DDX_Text(pDX, 13, m_dValue);
        DDX_Text(pDX, 14, m_strName);
        DDV_MaxChars(pDX, m_strName, 8);
    }
};

class DataExchangeTest : public GuiTest {};

TEST_F(DataExchangeTest, ReadingStopsAtTheFirstFailureInBindingOrder)
{
    BoxesDlg dialog;
    dialog.m_dValue = 0.25;
    onModal([&](CDialog& d) {
        EXPECT_EQ(d.GetDlgItem(13)->GetWindowText(), "0.25");  // written at opening
        afxtest::Type(d, 11, "5");        // out of range
        afxtest::Type(d, 12, "abc");      // not a number, and bound first
        afxtest::Type(d, 13, "2.5");
        afxtest::Click(d, IDOK);
        const auto boxes = takeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Please enter a positive integer.");
        EXPECT_EQ(boxes[0].caption, "talver");
        EXPECT_TRUE(boxes[0].warningIcon);
        EXPECT_EQ(afxtest::FocusedId(d), 12);
        EXPECT_TRUE(afxtest::WholeTextSelected(d, 12));
        EXPECT_EQ(dialog.m_nSigned, 0);      // bound later: untouched
        EXPECT_EQ(dialog.m_dValue, 0.25);

        afxtest::Type(d, 12, " 99999999999 ");
        afxtest::Click(d, IDOK);
        EXPECT_EQ(messages(), std::vector<std::string>{"Please enter an integer between 1 and 1000000."});
        afxtest::Type(d, 12, "1000000");
        afxtest::Click(d, IDOK);
        EXPECT_EQ(messages(), std::vector<std::string>{"Please enter an integer between 20 and 100."});
        EXPECT_EQ(dialog.m_nCount, 1000000u);
        EXPECT_EQ(dialog.m_nSigned, 5);      // stored before the range test
        EXPECT_EQ(afxtest::FocusedId(d), 11);

        afxtest::Type(d, 11, "-5");
        afxtest::Click(d, IDOK);
        EXPECT_EQ(messages(), std::vector<std::string>{"Please enter an integer between 20 and 100."});
        afxtest::Type(d, 11, "x");
        afxtest::Click(d, IDOK);
        EXPECT_EQ(messages(), std::vector<std::string>{"Please enter an integer."});

        afxtest::Type(d, 11, "100");
        afxtest::Type(d, 13, "-0");
        afxtest::Click(d, IDOK);
        EXPECT_EQ(messages(), std::vector<std::string>{"Please enter a number."});
        afxtest::Type(d, 13, "-1.5");
        afxtest::Type(d, 14, "typed too long");  // typing stops at the limit
        EXPECT_EQ(d.GetDlgItem(14)->GetWindowText(), "typed to");
        afxtest::Click(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_nSigned, 100);
    EXPECT_EQ(dialog.m_dValue, -1.5);
    EXPECT_EQ(dialog.m_strName, "typed to");
}

TEST_F(DataExchangeTest, LimitsStopTypingButNotTheProgram)
{
    BoxesDlg dialog;
    dialog.m_nCount = 7;
    dialog.m_nSigned = 50;
    dialog.m_strName = "ten chars!";  // longer than the limit, set by the program
    onModal([&](CDialog& d) {
        EXPECT_EQ(d.GetDlgItem(14)->GetWindowText(), "ten chars!");
        afxtest::Click(d, IDOK);
        EXPECT_EQ(messages(), std::vector<std::string>{"Please enter no more than 8 characters."});
        EXPECT_EQ(afxtest::FocusedId(d), 14);
        EXPECT_TRUE(afxtest::WholeTextSelected(d, 14));
        afxtest::PressKey(d, afxtest::Key::Escape);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_strName, "ten chars!");
}

TEST_F(DataExchangeTest, CloseBoxAndEscapeCancelWithoutReading)
{
    BoxesDlg dialog;
    onModal([&](CDialog& d) {
        afxtest::Type(d, 12, "abc");
        d.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_nCount, 0u);
}

}  // namespace
