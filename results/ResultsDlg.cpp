#include "results/ResultsDlg.h"

#include <chrono>
#include <cstdio>

#include "report/ReportPdf.h"
#include "charts/ScoreChart.h"
#include "fit/ReportFile.h"
#include "framework/DataExchange.h"
#include "framework/FileDialog.h"
#include "report/DiagnosisReport.h"
#include "report/ReportHtml.h"
#include "res/resource.h"
#include "results/FitStatisticsDlg.h"
#include "results/ItemFitDlg.h"
#include "results/LocalDependenceDlg.h"
#include "results/PersonFitDlg.h"
#include "results/ProgressDlg.h"
#include "results/SaveTable.h"
#include "stats/FitSummary.h"
#include "stats/SummaryFormat.h"

namespace {

// The commands of the list's and the graph's popup menu.
enum : UINT {
    kCopyTable = 1, kSaveTable, kSaveGraph, kFitStatistics, kItemFit, kLocalDependence, kSaveReport, kPersonFit
};

// Work that ends within this shows no progress.
constexpr std::chrono::milliseconds kMoment(300);

// The table row by row, its columns separated by separator.
std::string tableText(const FitSummary& summary, char separator)
{
    std::string text = std::string("score") + separator + "observed" + separator + "expected" + separator +
                       "contribution" + separator + "residual\n";
    for (const FitSummary::Score& s : summary.scores) {
        char line[160];
        std::snprintf(line, sizeof line, "%d%c%.0f%c%.4f%c%.6g%c%.6g\n", s.score, separator, s.observed, separator,
                      s.expected, separator, s.contribution, separator, s.residual);
        text += line;
    }
    return text;
}

}  // namespace

BEGIN_MESSAGE_MAP(CResultsDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_CONTEXTMENU()
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
    AddAboutToSystemMenu();
    CreatePlot();
    // Another program may have changed the report since the engine wrote
    // it: whatever could be read is shown, and the list says what was not.
    const GraphReport report = ReadGraphReport(kGraphReportFile);
    ShowRows(report);
    SetScoreRange(report);
    m_fChiSquare = report.chiSquare;
    UpdateData(FALSE);

    m_toolTip.Create(this);
    m_toolTip.AddTool(GetDlgItem(IDC_CHI_SQUARE), FormatPooledLine(SummarizeFit(m_table)));

    m_plot.Redraw();
    return TRUE;
}

void CResultsDlg::AddAboutToSystemMenu()
{
    const CString about = LoadStringResource(IDS_ABOUTBOX);
    if (about.empty())
        return;
    CMenu* menu = GetSystemMenu(FALSE);
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
}

void CResultsDlg::CreatePlot()
{
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
}

void CResultsDlg::ShowRows(const GraphReport& report)
{
    const int points = static_cast<int>(report.rows.size());
    m_table.firstScore = points > 0 ? report.rows[0].score : 0;
    m_table.chiSquare = report.chiSquare;
    for (const GraphReportRow& row : report.rows) {
        m_table.observed.push_back(row.observed);
        m_table.expected.push_back(row.expected);
    }
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
}

void CResultsDlg::SetScoreRange(const GraphReport& report)
{
    const AnswerForms* forms = m_pRun ? m_pRun->forms() : nullptr;
    if (forms) {
        // With answers missing the rows run over the forms' totals.
        m_nMinScore = m_table.firstScore;
        m_nMaxScore = m_table.firstScore + static_cast<int>(report.rows.size()) - 1;
        SetWindowText(GetWindowText() + ": " + FormatFormsLine(*forms));
    } else if (m_nCategoryCount != 0) {
        m_nMinScore = m_nItemCount;
        m_nMaxScore = m_nScorePointCount + m_nItemCount - 1;
    } else {
        m_nMinScore = 0;
        m_nMaxScore = report.rowCount - 1;
    }
}

void CResultsDlg::OnContextMenu(CWnd* window, CPoint point)
{
    if (window != &m_plot && (!window || window->GetDlgCtrlID() != IDC_FREQUENCIES))
        return;
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kCopyTable, "Copy table");
    menu.AppendMenu(MF_STRING, kSaveTable, "Save table as CSV...");
    menu.AppendMenu(MF_STRING, kSaveGraph, "Save graph as PNG or SVG...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kFitStatistics, "Fit statistics...");
    menu.AppendMenu(MF_STRING, kItemFit, "Item fit...");
    menu.AppendMenu(MF_STRING, kLocalDependence, "Local dependence...");
    menu.AppendMenu(MF_STRING, kPersonFit, "Person fit...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kSaveReport, "Save report...");
    switch (menu.TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, this)) {
    case kCopyTable:
        CopyTable();
        break;
    case kSaveTable:
        SaveTable();
        break;
    case kSaveGraph:
        SaveGraph();
        break;
    case kFitStatistics:
        ShowFitStatistics();
        break;
    case kItemFit:
        ShowItemFit();
        break;
    case kLocalDependence:
        ShowLocalDependence();
        break;
    case kPersonFit:
        ShowPersonFit();
        break;
    case kSaveReport:
        SaveReport();
        break;
    default:
        break;
    }
}

void CResultsDlg::CopyTable() { AfxSetClipboardText(tableText(SummarizeFit(m_table), '\t')); }

void CResultsDlg::SaveTable() { SaveTableAsCsv(this, "scores.csv", tableText(SummarizeFit(m_table), ',')); }

void CResultsDlg::SaveGraph()
{
    CFileDialog chooser(FALSE, "png", "scores.png", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR,
                        "Pictures (*.png *.svg)|*.png *.svg||", this);
    chooser.m_title = "Save graph as PNG or SVG";
    if (chooser.DoModal() != IDOK)
        return;
    const ScoreChart chart{m_table.firstScore, m_table.observed, m_table.expected,
                           kScoreChartTitle};
    if (!SaveScoreChart(chart, chooser.GetPathName()))
        AfxMessageBox("Cannot write \"" + chooser.GetPathName() + "\": a graph is saved as .png or .svg.",
                      MB_ICONEXCLAMATION);
}

void CResultsDlg::ShowFitStatistics()
{
    // The run's own frequencies when it left them, else the list's.
    const FitSummary summary = m_pRun ? m_pRun->summary() : SummarizeFit(m_table);
    CString note =
        m_pRun ? "From the run's frequencies." : "From the frequencies the list shows, with four decimals.";
    if (const AnswerForms* forms = m_pRun ? m_pRun->forms() : nullptr)
        note += "\n" + FormatFormsLine(*forms) +
                ".\nEach form's own distribution is added up: the p-values above are approximate, the "
                "simulated ones exact.";
    SimulateFunction simulate;
    if (m_pRun)
        simulate = [this](std::uint64_t replicates) { return Simulate(replicates, false, false); };
    CFitStatisticsDlg statistics(summary, note, simulate, this);
    statistics.DoModal();
}

bool CResultsDlg::RunInBackground(const CString& caption, const BackgroundWork::Work& work)
{
    BackgroundWork background(work);
    if (!background.waitFor(kMoment)) {
        CProgressDlg progress(background, caption, this);
        if (progress.DoModal() != IDOK)
            return false;
    }
    if (!background.failure().empty()) {
        AfxMessageBox("The " + caption + " failed: " + background.failure() + ".", MB_ICONEXCLAMATION);
        return false;
    }
    return !background.cancelled();
}

void CResultsDlg::ShowItemFit()
{
    if (!m_pRun || !m_pRun->countedItems()) {
        AfxMessageBox("This run has no item fit: it did not count the subjects item by item.", MB_ICONEXCLAMATION);
        return;
    }
    Analysis& run = *m_pRun;
    if (!run.itemFit() &&
        !RunInBackground("item fit", [&run](const AnalysisProgress& report) { run.computeItemFit(report); }))
        return;
    if (!run.itemFit())
        return;
    CItemFitDlg items(*run.itemFit(), run.model().items.categoryCount, this);
    items.m_simulate = [this](std::uint64_t replicates) { return Simulate(replicates, true, false); };
    items.DoModal();
}

void CResultsDlg::ShowLocalDependence()
{
    if (!m_pRun || !m_pRun->countedPairs()) {
        AfxMessageBox("This run has no local dependence: it did not count the subjects pair by pair.",
                      MB_ICONEXCLAMATION);
        return;
    }
    Analysis& run = *m_pRun;
    if (!run.pairs() &&
        !RunInBackground("local dependence", [&run](const AnalysisProgress& report) { run.computePairs(report); }))
        return;
    if (!run.pairs())
        return;
    CLocalDependenceDlg dependence(*run.pairs(), run.items(), this);
    dependence.m_simulate = [this](std::uint64_t replicates) { return Simulate(replicates, false, true); };
    dependence.DoModal();
}

void CResultsDlg::ShowPersonFit()
{
    if (!m_pRun) {
        AfxMessageBox("This run left no analysis to work out the person fit from.", MB_ICONEXCLAMATION);
        return;
    }
    if (!m_pPersons && !(m_pPersons = ComputePersons(PersonRequest())))
        return;
    const Analysis& run = *m_pRun;
    CPersonFitDlg persons(m_pPersons, run.request().fit.useEstimates == 1, run.itemNames(), this);
    persons.m_compute = [this](const PersonRequest& asked) {
        std::shared_ptr<const PersonRecords> records = ComputePersons(asked);
        if (records)
            m_pPersons = records;
        return records;
    };
    persons.DoModal();
}

std::shared_ptr<const PersonRecords> CResultsDlg::ComputePersons(const PersonRequest& asked)
{
    Analysis& run = *m_pRun;
    auto records = std::make_shared<PersonRecords>(run.model(), asked);
    AnalysisStatus status = kAnalysisSuccess;
    const PersonPass::Row keep = [&records](const PersonFigures& figures, const unsigned char* categories) {
        records->take(figures, categories);
    };
    if (!RunInBackground("person fit",
                         [&](const AnalysisProgress& report) { status = run.computePersons(asked, keep, report); }))
        return nullptr;
    if (status != kAnalysisSuccess || !run.persons()) {
        AfxMessageBox(run.describe(status, WorkingFolder()), MB_ICONEXCLAMATION);
        return nullptr;
    }
    records->finish(*run.persons());
    return records;
}

std::optional<MonteCarloResult> CResultsDlg::Simulate(std::uint64_t replicates, bool items, bool pairs)
{
    std::optional<MonteCarloResult> result;
    std::string error;
    const Analysis& run = *m_pRun;
    if (!RunInBackground("simulated p-values", [&](const AnalysisProgress& report) {
            result = run.simulate(replicates, 1, items, pairs, error, report);
        }))
        return std::nullopt;
    if (!result && !error.empty())
        AfxMessageBox("Cannot simulate under the model: " + error + ".", MB_ICONEXCLAMATION);
    if (result)
        m_lastSimulated = result;
    return result;
}

void CResultsDlg::SaveReport()
{
    if (!m_pRun) {
        AfxMessageBox("This run left no analysis to report.", MB_ICONEXCLAMATION);
        return;
    }
    CFileDialog chooser(FALSE, "html", "report.html", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR,
                        "Reports (*.html *.pdf)|*.html *.pdf||", this);
    chooser.m_title = "Save report as HTML or PDF";
    if (chooser.DoModal() != IDOK)
        return;
    const std::string path = chooser.GetPathName();
    if (!IsHtmlName(path) && !IsPdfName(path)) {
        AfxMessageBox("Cannot write \"" + path + "\": a report is saved as .html or .pdf.", MB_ICONEXCLAMATION);
        return;
    }
    Analysis& run = *m_pRun;
    if (run.countedItems() && !run.itemFit() &&
        !RunInBackground("item fit", [&run](const AnalysisProgress& report) { run.computeItemFit(report); }))
        return;
    if (run.countedPairs() && !run.pairs() &&
        !RunInBackground("local dependence", [&run](const AnalysisProgress& report) { run.computePairs(report); }))
        return;
    // A later pass that was stopped took the persons' figures with it.
    if (m_pPersons && !run.persons() && !ComputePersons(m_pPersons->request()))
        return;
    const Report report = DiagnosisReport(run, CurrentReportContext(m_lastSimulated ? &*m_lastSimulated : nullptr));
    std::string reason;
    if (!(IsPdfName(path) ? SaveReportPdf(report, path) : SaveReportHtml(report, path, reason)))
        AfxMessageBox("Cannot write \"" + path + "\".", MB_ICONEXCLAMATION);
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
