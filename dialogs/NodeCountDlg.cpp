#include "dialogs/NodeCountDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

CNodeCountDlg::CNodeCountDlg(CWnd* parent) : CDialog(IDD_NODE_COUNT, parent) {}

void CNodeCountDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_NODES, m_nNodes);
    DDV_MinMaxInt(pDX, m_nNodes, 20, 100);
}
