#include "dialogs/MatrixSizeDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

CMatrixSizeDlg::CMatrixSizeDlg(CWnd* parent) : CDialog(IDD_MATRIX_SIZE, parent) {}

void CMatrixSizeDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_ITEMS, m_nItems);
    DDV_MinMaxUInt(pDX, m_nItems, 1, 1000000);
    DDX_Text(pDX, IDC_SUBJECTS, m_nSubjects);
    DDV_MinMaxUInt(pDX, m_nSubjects, 1, 1000000);
}

void CMatrixSizeDlg::OnOK()
{
    UpdateData(TRUE);
    UpdateData(FALSE);
    CDialog::OnOK();
}
