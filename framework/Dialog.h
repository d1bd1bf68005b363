#pragma once

#include "framework/DialogTemplate.h"
#include "framework/Wnd.h"

class CDataExchange;

// A modal dialog built from a template.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    CDialog(const DialogTemplate& dialogTemplate, CWnd* parent);
    ~CDialog() override;

    // Creates the dialog and its controls, runs OnInitDialog and the modal
    // loop; returns what EndDialog was given (IDOK, IDCANCEL, ...).
    virtual int DoModal();
    void EndDialog(int result);

    // Reads the boxes into the fields (true) or writes the fields into the
    // boxes (false); reading stops at the first failure and returns false.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    const DialogTemplate& Template() const { return *m_pTemplate; }

    // The dialog on top, for the framework's test seams.
    static CDialog* ActiveModal();

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateFromTemplate();

    const DialogTemplate* m_pTemplate;
    int m_nResult = IDCANCEL;
    CDialog* m_pPreviousModal = nullptr;

    DECLARE_MESSAGE_MAP()
};
