#include "framework/FileDialog.h"
#include "framework/WinApp.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/framework/GuiTest.h"

namespace {

class WinAppTest : public GuiTest {};

TEST_F(WinAppTest, ProfileIntegersWithDefaults)
{
    const std::filesystem::path folder = std::getenv("XDG_CONFIG_HOME");
    std::ofstream(folder / "talver.ini") << "[Config]\nWidth=7\nStyle= 3 \nSpeed=fast\n";
    const CWinApp* app = AfxGetApp();
    EXPECT_EQ(app->GetProfileInt("Config", "Width", 5), 7u);
    EXPECT_EQ(app->GetProfileInt("Config", "Style", 2), 3u);
    EXPECT_EQ(app->GetProfileInt("Config", "Speed", 100), 100u);
    EXPECT_EQ(app->GetProfileInt("Config", "Missing", 42), 42u);
    EXPECT_EQ(app->GetProfileInt("Other", "Width", 1), 1u);
    std::filesystem::remove(folder / "talver.ini");
}

TEST_F(WinAppTest, ChooserGivesAFullPathAndMovesTheWorkingDirectory)
{
    const std::filesystem::path before = std::filesystem::current_path();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "chooser folder";
    std::filesystem::create_directories(folder);
    std::string seenTitle, seenFilter;
    afxtest::SetFileChooserHandler([&](const std::string& title, const std::string& filter) {
        seenTitle = title;
        seenFilter = filter;
        return std::optional<std::string>((folder / "scores.dat").string());
    });
    CFileDialog chooser(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, "Data files (*.dat)|*.dat||");
    chooser.m_title = "Select a file";
    ASSERT_EQ(chooser.DoModal(), IDOK);
    EXPECT_EQ(seenTitle, "Select a file");
    EXPECT_EQ(seenFilter, "Data files (*.dat)");
    EXPECT_EQ(chooser.GetPathName(), (folder / "scores.dat").string());
    EXPECT_EQ(std::filesystem::current_path(), folder);

    afxtest::SetFileChooserHandler([](const std::string&, const std::string&) { return std::nullopt; });
    CFileDialog cancelled(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, "Data files (*.dat)|*.dat||");
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_EQ(std::filesystem::current_path(), folder);
    std::filesystem::current_path(before);
}

TEST_F(WinAppTest, MessageBoxesCarryTheTitleAndTheIcon)
{
    AfxMessageBox("Plain");
    AfxMessageBox("Warned", MB_ICONEXCLAMATION);
    const auto boxes = takeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "talver");
    EXPECT_FALSE(boxes[0].warningIcon);
    EXPECT_TRUE(boxes[1].warningIcon);
}

}  // namespace
