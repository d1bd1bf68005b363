#include "results/ProgressDlg.h"

#include <cmath>

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr int kSteps = 1000;

}  // namespace

BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

CProgressDlg::CProgressDlg(BackgroundWork& work, const CString& caption, CWnd* parent)
    : CDialog(IDD_WORK_PROGRESS, parent), m_work(work), m_caption(caption)
{
}

void CProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_WORK_PROGRESS, m_progress);
}

BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(m_caption);
    m_progress.SetRange32(0, kSteps);
    SetTimer(kPollTimer, 50);
    return TRUE;
}

void CProgressDlg::OnTimer(UINT_PTR id)
{
    if (id != kPollTimer)
        return;
    m_progress.SetPos(static_cast<int>(std::lround(m_work.progress() * kSteps)));
    if (m_work.done()) {
        KillTimer(kPollTimer);
        EndDialog(IDOK);
    }
}

void CProgressDlg::OnCancel()
{
    m_work.cancel();
    KillTimer(kPollTimer);
    CDialog::OnCancel();
}
