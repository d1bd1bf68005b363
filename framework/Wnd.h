#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Afx.h"
#include "framework/MessageMap.h"
#include "framework/Rect.h"

class QWidget;
class CMenu;
class CDC;

// A program icon, loaded from the resources.
class CIcon {
public:
    virtual ~CIcon() = default;
};

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
    BOOL IsIconic() const;
    void Invalidate();

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
    std::unique_ptr<CMenu> m_pSystemMenu;

    friend class CDialog;
    friend class CDC;

    DECLARE_MESSAGE_MAP()
};

// A window's system menu: Minimize and Close, and what the program appends.
// Its commands arrive as WM_SYSCOMMAND.
class CMenu {
public:
    struct Item {
        UINT flags;
        UINT id;
        CString text;
    };
    BOOL AppendMenu(UINT flags, UINT id = 0, const CString& text = {});
    const std::vector<Item>& Items() const { return m_items; }

private:
    std::vector<Item> m_items;
};
