#pragma once

// Test support, linked only into test programs: drive the framework's
// windows headless, answer message boxes and the file chooser, act inside
// modal loops, and render a dialog to a PNG file for a person to look at.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Afx.h"
#include "framework/TestHooks.h"

class CDialog;
class CWnd;
class QApplication;

namespace afxtest {

// The toolkit, headless, for the lifetime of a test program; settings,
// runtime and temporary files go to a fresh folder of their own. The
// headless screen is 1024 x 768 pixels.
class HeadlessToolkit {
public:
    HeadlessToolkit(int& argc, char** argv);
    ~HeadlessToolkit();
    HeadlessToolkit(const HeadlessToolkit&) = delete;
    HeadlessToolkit& operator=(const HeadlessToolkit&) = delete;

private:
    std::unique_ptr<QApplication> m_application;
};

// Replaces the message box: the handler sees it and returns the button
// pressed. An empty handler restores the real message box.
void SetMessageBoxHandler(std::function<int(const MessageBoxRecord&)> handler);

// Replaces the file chooser: the handler sees the title and filter and
// returns the chosen path, or nothing for Cancel.
void SetFileChooserHandler(
    std::function<std::optional<std::string>(const std::string& title, const std::string& filter)> handler);

// Called inside every modal loop once the dialog is up. A dialog that the
// handler leaves open is closed with Cancel and reported to the guard.
void SetModalHandler(std::function<void(CDialog&)> handler);
// Told of a modal dialog that no handler closed.
void SetUnexpectedModalGuard(std::function<void(const std::string& caption)> guard);

enum class Key { Enter, Escape, Tab, BackTab, AltSpace };

// Acting on a dialog as a user would.
void Click(CDialog& dialog, int id);
void Type(CDialog& dialog, int id, const std::string& text);  // focus the box, select all, type
void PressKey(CDialog& dialog, Key key);
void PressMnemonic(CDialog& dialog, char letter);  // Alt + letter
void ClickListItem(CDialog& dialog, int id, int index);  // a list box's or a list control's row
void ClickColumnHeading(CDialog& dialog, int id, int column);
// The width of a list control's column in pixels; -1 for none.
int ColumnWidth(CDialog& dialog, int id, int column);
// Lets the dialog run until it ends by itself; false if it is still open
// after the time given.
bool WaitUntilClosed(CDialog& dialog, int milliseconds);
// A right-click on a control or child window of a dialog.
void RightClick(CWnd& window);
// A left click, and the pointer moved, at a point of a window.
void ClickAt(CWnd& window, int x, int y);
void MoveMouseTo(CWnd& window, int x, int y);
// What the primary screen's width is taken to be, for figures that scale
// with it; 0 restores the real one.
void SetScreenWidth(int pixels);
// Answers popup menus: the item texts in, the command chosen out.
void SetPopupMenuHandler(std::function<unsigned(const std::vector<std::string>& items)> handler);
std::string ClipboardText();

// Looking at a dialog.
int FocusedId(CDialog& dialog);  // 0 when the focus is elsewhere
bool WholeTextSelected(CDialog& dialog, int id);
bool IsDefaultButton(CDialog& dialog, int id);
bool IsTabStop(CDialog& dialog, int id);
std::vector<int> TabOrder(CDialog& dialog);  // ids of the tab stops, in order
int ClientWidth(CDialog& dialog);
int ClientHeight(CDialog& dialog);
struct Geometry {
    int x, y, width, height;
};
Geometry ControlGeometry(CDialog& dialog, int id);  // in pixels
bool HasIcon(CDialog& dialog);
// System menu: its item texts ("" for a separator), and choosing one.
std::vector<std::string> SystemMenuItems(CDialog& dialog);
void OpenSystemMenuAndChoose(CDialog& dialog, UINT id);
bool RenderToPng(CWnd& window, const std::string& path);

// What a window shows, pixel by pixel, as 0xRRGGBB.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Picture Capture(CWnd& window);
// The period of a window's timer in milliseconds; -1 when it has none.
int TimerPeriod(CWnd& window, UINT_PTR id);

}  // namespace afxtest
