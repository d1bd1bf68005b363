#include "dialogs/CategorySizeDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

CCategorySizeDlg::CCategorySizeDlg(CWnd* parent) : CDialog(IDD_CATEGORY_SIZE, parent) {}

void CCategorySizeDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_CATEGORIES, m_nCategories);
    DDV_MinMaxUInt(pDX, m_nCategories, 1, 100);
    DDX_Text(pDX, IDC_ITEMS, m_nItems);
    DDV_MinMaxUInt(pDX, m_nItems, 1, 1000000);
    DDX_Text(pDX, IDC_SUBJECTS, m_nSubjects);
    DDV_MinMaxUInt(pDX, m_nSubjects, 1, 1000000);
}
