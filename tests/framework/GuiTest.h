#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "framework/TestSeams.h"

// Drives dialogs headless. Every modal dialog that opens takes the next
// script queued with onModal; a dialog no script closes, a message box the
// test does not take, or a file chooser nobody expected fails the test.
class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        afxtest::SetMessageBoxHandler([this](const afxtest::MessageBoxRecord& box) {
            boxes_.push_back(box);
            return IDOK;
        });
        afxtest::SetFileChooserHandler([this](const std::string& title, const std::string&) {
            ADD_FAILURE() << "unexpected file chooser: " << title;
            return std::optional<std::string>();
        });
        afxtest::SetModalHandler([this](CDialog& dialog) {
            if (scripts_.empty())
                return;
            auto script = std::move(scripts_.front());
            scripts_.pop_front();
            script(dialog);
        });
        afxtest::SetUnexpectedModalGuard(
            [](const std::string& caption) { ADD_FAILURE() << "modal dialog left open: " << caption; });
        afxtest::SetPopupMenuHandler([](const std::vector<std::string>& items) {
            ADD_FAILURE() << "unexpected popup menu of " << items.size() << " items";
            return 0u;
        });
    }
    void TearDown() override
    {
        for (const auto& box : boxes_)
            ADD_FAILURE() << "message box nobody looked at: " << box.text;
        EXPECT_TRUE(scripts_.empty()) << scripts_.size() << " modal dialogs expected but not shown";
        afxtest::SetModalHandler(nullptr);
        afxtest::SetUnexpectedModalGuard(nullptr);
        afxtest::SetMessageBoxHandler(nullptr);
        afxtest::SetFileChooserHandler(nullptr);
        afxtest::SetPopupMenuHandler(nullptr);
    }

    void onModal(std::function<void(CDialog&)> script) { scripts_.push_back(std::move(script)); }

    static std::string text(CDialog& d, int id) { return d.GetDlgItem(id)->GetWindowText(); }
    // Continue, and the messages it showed.
    std::vector<std::string> pressContinue(CDialog& d)
    {
        afxtest::Click(d, IDOK);
        return messages();
    }
    // Renders the dialog into $TALVER_SCREENSHOTS, when that is set.
    static void screenshot(CDialog& d, const std::string& name)
    {
        if (const char* folder = std::getenv("TALVER_SCREENSHOTS")) {
            EXPECT_TRUE(afxtest::RenderToPng(d, std::string(folder) + "/" + name));
        }
    }

    // The message boxes shown since the last call, as text.
    std::vector<std::string> messages()
    {
        std::vector<std::string> texts;
        for (const auto& box : boxes_)
            texts.push_back(box.text);
        boxes_.clear();
        return texts;
    }
    std::vector<afxtest::MessageBoxRecord> takeBoxes()
    {
        auto taken = std::move(boxes_);
        boxes_.clear();
        return taken;
    }

private:
    std::vector<afxtest::MessageBoxRecord> boxes_;
    std::deque<std::function<void(CDialog&)>> scripts_;
};
