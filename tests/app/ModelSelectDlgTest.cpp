#include "app/ModelSelectDlg.h"

#include "app/MissingCodesDlg.h"
#include "res/resource.h"
#include "tests/framework/GuiTest.h"

namespace {

class ModelSelectDlgTest : public GuiTest {
protected:
    // The About box, checked and closed with its OK button.
    std::function<void(CDialog&)> aboutBox()
    {
        return [this](CDialog& about) {
            ++aboutShown;
            EXPECT_EQ(about.Template().caption, std::string("About TALVER"));
            EXPECT_TRUE(afxtest::IsDefaultButton(about, IDOK));
            afxtest::Click(about, IDOK);
        };
    }
    int aboutShown = 0;
};

TEST_F(ModelSelectDlgTest, LayoutControlsAndTabOrder)
{
    CModelSelectDlg dialog;
    onModal([&](CDialog& d) {
        // DejaVu Sans at 10 points: 8 x 15 pixels a character.
        EXPECT_EQ(afxtest::ClientWidth(d), 470);
        EXPECT_EQ(afxtest::ClientHeight(d), 229);
        const afxtest::Geometry quit = afxtest::ControlGeometry(d, IDCANCEL);
        EXPECT_EQ(quit.x, 336);
        EXPECT_EQ(quit.width, 120);
        EXPECT_EQ(d.GetDlgItem(IDC_ABOUT)->GetWindowText(), "About TALVER");
        EXPECT_EQ(d.GetDlgItem(IDC_PARTIAL_CREDIT)->GetWindowText(), "Partial Credit Model");
        EXPECT_EQ(afxtest::TabOrder(d), (std::vector<int>{IDC_ABOUT, IDCANCEL, IDC_ONE_PARAMETER, IDC_TWO_PARAMETERS,
                                                          IDC_THREE_PARAMETERS, IDC_GRADED_RESPONSE,
                                                          IDC_PARTIAL_CREDIT}));
        EXPECT_TRUE(afxtest::IsDefaultButton(d, IDC_ABOUT));
        EXPECT_EQ(afxtest::FocusedId(d), IDC_ABOUT);
        EXPECT_TRUE(afxtest::HasIcon(d));
        afxtest::PressKey(d, afxtest::Key::Tab);
        EXPECT_EQ(afxtest::FocusedId(d), IDCANCEL);

        screenshot(d, "model-select.png");
        afxtest::Click(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(reinterpret_cast<HICON>(dialog.SendMessage(WM_QUERYDRAGICON)), dialog.m_hIcon);
}

TEST_F(ModelSelectDlgTest, EnterOpensTheAboutBoxAndEscapeQuits)
{
    CModelSelectDlg dialog;
    onModal([&](CDialog& d) {
        afxtest::PressKey(d, afxtest::Key::Enter);
        EXPECT_EQ(aboutShown, 1);
        EXPECT_EQ(afxtest::FocusedId(d), IDC_ABOUT);  // back where it was
        afxtest::PressKey(d, afxtest::Key::Escape);
    });
    onModal(aboutBox());
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(ModelSelectDlgTest, SystemMenuEndsWithTheAboutItem)
{
    CModelSelectDlg dialog;
    onModal([&](CDialog& d) {
        EXPECT_EQ(afxtest::SystemMenuItems(d),
                  (std::vector<std::string>{"Mi&nimize", "&Close\tAlt+F4", "", "&Missing codes...",
                                            "&About TALVER..."}));
        afxtest::OpenSystemMenuAndChoose(d, IDM_ABOUTBOX);
        EXPECT_EQ(aboutShown, 1);
        afxtest::Click(d, IDC_ABOUT);  // the same box from the button
        EXPECT_EQ(aboutShown, 2);
        afxtest::OpenSystemMenuAndChoose(d, SC_CLOSE);
    });
    onModal(aboutBox());
    onModal([&](CDialog& about) {
        screenshot(about, "about.png");
        aboutBox()(about);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

// The codes are set from the system menu, refused with a message box while
// they do not read, and kept in the profile for the next run and the next
// time the box opens.
TEST_F(ModelSelectDlgTest, MissingCodesAreSetFromTheSystemMenuAndKept)
{
    CModelSelectDlg dialog;
    onModal([&](CDialog& d) {
        afxtest::OpenSystemMenuAndChoose(d, IDM_MISSING_CODES);
        afxtest::OpenSystemMenuAndChoose(d, IDM_MISSING_CODES);
        afxtest::OpenSystemMenuAndChoose(d, SC_CLOSE);
    });
    onModal([&](CDialog& codes) {
        EXPECT_EQ(codes.Template().caption, std::string("Missing codes"));
        EXPECT_EQ(text(codes, IDC_MISSING_CODES), "");
        afxtest::Type(codes, IDC_MISSING_CODES, "9,x");
        afxtest::Click(codes, IDOK);
        EXPECT_EQ(messages(), std::vector<std::string>{"A missing code must be a whole number, as in 9 or -1,99."});
        EXPECT_EQ(afxtest::FocusedId(codes), IDC_MISSING_CODES);
        afxtest::Type(codes, IDC_MISSING_CODES, " 9, -1");
        screenshot(codes, "missing-codes.png");
        afxtest::Click(codes, IDOK);
    });
    onModal([&](CDialog& codes) {
        EXPECT_EQ(text(codes, IDC_MISSING_CODES), "-1,9");
        EXPECT_EQ(ProfileMissingCodes(), MissingCodes({-1, 9}));
        afxtest::Type(codes, IDC_MISSING_CODES, "");
        afxtest::Click(codes, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(ProfileMissingCodes().empty());
}

}  // namespace
