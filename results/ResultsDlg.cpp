#include "results/ResultsDlg.h"

#include <cstdio>

#include "fit/ReportFile.h"
#include "framework/DataExchange.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CResultsDlg, CDialog)
    ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

CResultsDlg::CResultsDlg(CWnd* parent) : CDialog(IDD_RESULTS, parent) {}

void CResultsDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FREQUENCIES, m_list);
    DDX_Text(pDX, IDC_CHI_SQUARE, m_fChiSquare);
    DDX_Text(pDX, IDC_MAX_SCORE, m_nMaxScore);
    DDX_Text(pDX, IDC_MIN_SCORE, m_nMinScore);
}

BOOL CResultsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    const CString about = LoadStringResource(IDS_ABOUTBOX);
    if (!about.empty()) {
        CMenu* menu = GetSystemMenu(FALSE);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
    }

    m_nPlotWidth = 5;
    m_nPlotStyle = 2;
    m_nPlotSpeed = 100;
    CRect area;
    GetDlgItem(IDC_GRAPH_AREA)->GetWindowRect(&area);
    ScreenToClient(&area);
    m_plot.Create(0, WS_CHILD | WS_VISIBLE, area, this);
    m_plot.SetSpeed(m_nPlotSpeed);
    m_plot.SetStyle(m_nPlotStyle);
    m_plot.SetWidth(m_nPlotWidth);

    // Another program may have changed the report since the engine wrote
    // it: whatever could be read is shown, and the list says what was not.
    const GraphReport report = ReadGraphReport(kGraphReportFile);
    const int points = static_cast<int>(report.rows.size());
    m_plot.m_nObservedCount = m_plot.m_nExpectedCount = points;
    m_plot.m_dObserved.assign(points, 0.0);
    m_plot.m_dExpected.assign(points, 0.0);
    m_list.AddString(" Score Expected  Observed");
    m_list.AddString("                         ");
    for (int i = 0; i < points; ++i) {
        const GraphReportRow& row = report.rows[i];
        m_plot.m_dObserved[i] = row.observedHeight;
        m_plot.m_dExpected[i] = row.expectedHeight;
        char line[64];
        std::snprintf(line, sizeof line, "  %4i %8.2f     %5i", row.score, row.expected, row.observed);
        m_list.AddString(line);
    }
    if (!report.opened)
        m_list.AddString(" Cannot open OUTG");
    else if (!report.complete)
        m_list.AddString(" OUTG is incomplete");

    if (m_nCategoryCount != 0) {
        m_nMinScore = m_nItemCount;
        m_nMaxScore = m_nScorePointCount + m_nItemCount - 1;
    } else {
        m_nMinScore = 0;
        m_nMaxScore = report.rowCount - 1;
    }
    m_fChiSquare = report.chiSquare;
    UpdateData(FALSE);

    m_plot.Redraw();
    return TRUE;
}

void CResultsDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        // The About box has no behaviour beyond its template.
        CDialog about(IDD_ABOUTBOX, this);
        about.DoModal();
    } else {
        CDialog::OnSysCommand(id, lParam);
    }
}
