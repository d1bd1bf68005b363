#pragma once

// The few places where a test program may step in for a person: the
// framework calls these when they are set. The helpers that set them live
// in the test-support library (TestSeams.h); the shipped programs leave
// them empty.

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CDialog;

namespace afxtest {

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    bool warningIcon;
};

struct Hooks {
    // Answers a message box instead of showing it; returns the button.
    std::function<int(const MessageBoxRecord&)> messageBox;
    // Answers the file chooser: the chosen path, or nothing for Cancel.
    std::function<std::optional<std::string>(const std::string& title, const std::string& filter)> fileChooser;
    // Runs once inside every modal loop, when the dialog is up.
    std::function<void(CDialog&)> modalLoop;
    // Answers a popup menu instead of showing it: the item texts ("" for a
    // separator) in, the command chosen out (0 for none).
    std::function<unsigned(const std::vector<std::string>& items)> popupMenu;
    // The primary screen's width in pixels instead of the real one (0: the real one).
    int screenWidth = 0;
};

Hooks& TestHooks();

}  // namespace afxtest
