#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Afx.h"
#include "framework/MessageMap.h"
#include "framework/Rect.h"

class QWidget;
class CWnd;
class CMenu;
class CDC;

// A program icon, loaded from the resources.
class CIcon {
public:
    virtual ~CIcon() = default;
};

// What WM_CREATE carries.
struct CREATESTRUCT {
    void* lpCreateParams;
    CWnd* hwndParent;
    int cy, cx, y, x;
    DWORD style;
    const char* lpszName;
    const char* lpszClass;
    DWORD dwExStyle;
};
using LPCREATESTRUCT = CREATESTRUCT*;

// Registers a class of child windows, once per class style, and returns its
// name. Classes here have no cursor, background brush or icon of their own,
// and the toolkit repaints a resized window whole, as CS_HREDRAW |
// CS_VREDRAW ask.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
const char* AfxRegisterWndClass(UINT classStyle);

// A window: a dialog, a control of a dialog, or a child window of the
// program's own. Messages reach it through SendMessage and its message map;
// what no map handles gets the default processing of DefWindowProc.
class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // A child window of a registered class, at rect in the parent's client
    // coordinates. WM_CREATE (-1 refuses) and WM_SIZE arrive before it
    // returns. Such a window keeps an image of its client area, which it
    // shows and its device contexts draw into.
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const CRect& rect,
                  CWnd* parent, UINT id, void* param = nullptr);
    // WM_DESTROY, then WM_NCDESTROY and PostNcDestroy; timers end with it.
    BOOL DestroyWindow();
    BOOL IsWindow() const { return m_pWidget != nullptr; }
    // Makes this object the dialog's control id until the dialog closes.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    // WM_TIMER with id every elapse milliseconds (0: as often as the
    // toolkit can); setting an id again restarts it.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, void* unused = nullptr);
    BOOL KillTimer(UINT_PTR id);

    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const { return m_nID; }
    CWnd* GetParent() const { return m_pParent; }

    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    CWnd* SetFocus();
    static CWnd* GetFocus();
    void SetWindowText(const CString& text);
    CString GetWindowText() const;
    void GetClientRect(CRect* rect) const;
    void GetWindowRect(CRect* rect) const;  // in screen coordinates
    void ScreenToClient(CRect* rect) const;
    BOOL IsIconic() const;
    // Marks the whole client area for painting; UpdateWindow paints at
    // once (WM_PAINT, synchronously) what is marked.
    void Invalidate(BOOL erase = TRUE);
    void UpdateWindow();

    // Edit boxes.
    void SetSel(int start, int end);
    void LimitText(int maxChars);

    // Radio buttons and check boxes.
    int GetCheck() const;
    void SetCheck(int check);
    void CheckRadioButton(int firstId, int lastId, int checkId);
    UINT IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, UINT check);

    CMenu* GetSystemMenu(BOOL revert);
    HICON SetIcon(HICON icon, BOOL bigIcon);

    // The toolkit's widget; for the framework's own use.
    QWidget* Widget() const { return m_pWidget; }

protected:
    // Default processing of a message no map entry takes.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Called after WM_NCDESTROY, when the window is gone.
    virtual void PostNcDestroy() {}

    afx_msg int OnCreate(LPCREATESTRUCT createStruct);
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg void OnTimer(UINT_PTR id);
    afx_msg void OnSysCommand(UINT id, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg void OnClose();

    // Controls and the windows that own them.
    void AttachWidget(QWidget* widget, int id, CWnd* parent);
    CWnd* AddControl(QWidget* widget, int id);
    void DestroyControls();

    QWidget* m_pWidget = nullptr;
    CWnd* m_pParent = nullptr;
    int m_nID = 0;
    std::vector<std::unique_ptr<CWnd>> m_controls;
    std::vector<CWnd*> m_subclassed;  // program objects standing for controls
    std::unique_ptr<CMenu> m_pSystemMenu;

private:
    void WindowDestroyed();  // the child window's widget is going

    friend class CDialog;
    friend class CDC;
    friend class ChildWidget;
    friend class DialogWidget;

    DECLARE_MESSAGE_MAP()
};

// A window's system menu: Minimize and Close, and what the program appends;
// its commands arrive as WM_SYSCOMMAND. Or a popup menu of the program's.
class CMenu {
public:
    struct Item {
        UINT flags;
        UINT id;
        CString text;
    };
    BOOL CreatePopupMenu() { return TRUE; }
    BOOL AppendMenu(UINT flags, UINT id = 0, const CString& text = {});
    const std::vector<Item>& Items() const { return m_items; }
    // Shows the menu at a point on the screen; with TPM_RETURNCMD returns
    // the command chosen (0 for none), else sends it to owner as WM_COMMAND.
    UINT TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);

private:
    std::vector<Item> m_items;
};
