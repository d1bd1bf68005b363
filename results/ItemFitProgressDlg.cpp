#include "results/ItemFitProgressDlg.h"

#include <cmath>

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr int kSteps = 1000;

}  // namespace

BEGIN_MESSAGE_MAP(CItemFitProgressDlg, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

CItemFitProgressDlg::CItemFitProgressDlg(ItemFitJob& job, CWnd* parent)
    : CDialog(IDD_ITEM_PROGRESS, parent), m_job(job)
{
}

void CItemFitProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ITEM_PROGRESS, m_progress);
}

BOOL CItemFitProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_progress.SetRange32(0, kSteps);
    SetTimer(kPollTimer, 50);
    return TRUE;
}

void CItemFitProgressDlg::OnTimer(UINT_PTR id)
{
    if (id != kPollTimer)
        return;
    m_progress.SetPos(static_cast<int>(std::lround(m_job.progress() * kSteps)));
    if (m_job.done()) {
        KillTimer(kPollTimer);
        EndDialog(IDOK);
    }
}

void CItemFitProgressDlg::OnCancel()
{
    m_job.cancel();
    KillTimer(kPollTimer);
    CDialog::OnCancel();
}
