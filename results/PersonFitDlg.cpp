#include "results/PersonFitDlg.h"

#include <algorithm>
#include <sstream>

#include "charts/PersonCharts.h"
#include "framework/DataExchange.h"
#include "res/resource.h"
#include "results/ReplicatesDlg.h"
#include "results/SaveTable.h"
#include "stats/PersonFormat.h"
#include "stats/TextFormat.h"

namespace {

using Column = CPersonFitDlg::Column;

const char* headingOf(Column column)
{
    static const char* const headings[] = {"Subject", "Answered", "Total", "\u03B8", "SE", "Given \u03B8",
                                           "lz", "lz*", "p", "Simulated p", "Infit", "Outfit", "Infit t",
                                           "Outfit t", "Flagged", "Note"};
    return headings[column];
}

// The list's columns: the given ability only with the subjects' estimates.
std::vector<Column> columnsOf(bool givenTheta)
{
    std::vector<Column> columns;
    for (int c = CPersonFitDlg::kId; c <= CPersonFitDlg::kNote; ++c)
        if (c != CPersonFitDlg::kGivenTheta || givenTheta)
            columns.push_back(static_cast<Column>(c));
    return columns;
}

std::vector<StatisticsTable::Column> headingsOf(const std::vector<Column>& columns)
{
    std::vector<StatisticsTable::Column> headings;
    for (const Column column : columns)
        headings.push_back({headingOf(column), column != CPersonFitDlg::kId && column != CPersonFitDlg::kNote &&
                                                   column != CPersonFitDlg::kFlagged});
    return headings;
}

// A figure as it stands in a column, undefined where there is none.
std::pair<bool, double> figureKey(double value) { return {!HasFigure(value), HasFigure(value) ? value : 0.0}; }

std::pair<bool, double> key(const PersonFigures& f, Column column)
{
    switch (column) {
    case CPersonFitDlg::kAnswered:
        return {false, f.answered};
    case CPersonFitDlg::kTotal:
        return {false, static_cast<double>(f.total)};
    case CPersonFitDlg::kTheta:
        return figureKey(f.theta);
    case CPersonFitDlg::kSe:
        return figureKey(f.se);
    case CPersonFitDlg::kGivenTheta:
        return figureKey(f.givenTheta);
    case CPersonFitDlg::kLz:
        return figureKey(f.lz);
    case CPersonFitDlg::kLzStar:
        return figureKey(f.lzStar);
    case CPersonFitDlg::kP:
        return figureKey(f.p);
    case CPersonFitDlg::kSimulatedP:
        return figureKey(f.pSimulated);
    case CPersonFitDlg::kInfit:
        return figureKey(f.infit);
    case CPersonFitDlg::kOutfit:
        return figureKey(f.outfit);
    case CPersonFitDlg::kInfitT:
        return figureKey(f.infitT);
    case CPersonFitDlg::kOutfitT:
        return figureKey(f.outfitT);
    case CPersonFitDlg::kFlagged:
        return {false, f.flagged ? 0.0 : 1.0};  // flagged first
    case CPersonFitDlg::kNote:
        return {f.note == PersonNote::None, static_cast<double>(f.note)};  // the noted first
    default:
        return {false, static_cast<double>(f.subject)};
    }
}

std::string figureText(double value) { return HasFigure(value) ? FigureText(value) : kNoFigure; }

const int kEstimatorButtons[] = {IDC_ESTIMATOR_WLE, IDC_ESTIMATOR_ML, IDC_ESTIMATOR_MAP, IDC_ESTIMATOR_EAP};

}  // namespace

BEGIN_MESSAGE_MAP(CPersonFitDlg, CDialog)
    ON_NOTIFY(LVN_COLUMNCLICK, IDC_PERSON_LIST, OnColumnClick)
    ON_NOTIFY(LVN_GETDISPINFO, IDC_PERSON_LIST, OnGetDispInfo)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_PERSON_LIST, OnItemChanged)
    ON_WM_CONTEXTMENU()
    ON_BN_CLICKED(IDC_ESTIMATOR_WLE, OnEstimator)
    ON_BN_CLICKED(IDC_ESTIMATOR_ML, OnEstimator)
    ON_BN_CLICKED(IDC_ESTIMATOR_MAP, OnEstimator)
    ON_BN_CLICKED(IDC_ESTIMATOR_EAP, OnEstimator)
    ON_BN_CLICKED(IDC_SIMULATE, OnSimulate)
    ON_BN_CLICKED(IDC_SAVE_TABLE, OnSaveTable)
END_MESSAGE_MAP()

CPersonFitDlg::CPersonFitDlg(std::shared_ptr<const PersonRecords> records, bool givenTheta,
                             std::vector<std::string> names, CWnd* parent)
    : CDialog(IDD_PERSON_FIT, parent),
      m_pRecords(std::move(records)),
      m_bGivenTheta(givenTheta),
      m_names(std::move(names)),
      m_columns(columnsOf(givenTheta)),
      m_table(m_list, headingsOf(m_columns), [this](std::size_t record, int column) {
          return key(m_pRecords->figures(record), m_columns[static_cast<std::size_t>(column)]);
      })
{
}

int CPersonFitDlg::ColumnOf(Column column) const
{
    const auto at = std::find(m_columns.begin(), m_columns.end(), column);
    return at == m_columns.end() ? -1 : static_cast<int>(at - m_columns.begin());
}

void CPersonFitDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PERSON_LIST, m_list);
}

BOOL CPersonFitDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetDlgItem(IDC_ESTIMATOR_EAP)->EnableWindow(!m_bGivenTheta);
    CreateCharts();
    m_table.Fill(m_pRecords->size(), [this](std::size_t record, int column) {
        return Cell(m_pRecords->figures(record), m_columns[static_cast<std::size_t>(column)]);
    });
    ShowSummary();
    if (m_list.GetItemCount() > 0)
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return TRUE;
}

void CPersonFitDlg::CreateCharts()
{
    const std::pair<CChartWnd*, int> charts[] = {{&m_histogram, IDC_PERSON_HISTOGRAM},
                                                 {&m_response, IDC_PERSON_RESPONSE}};
    for (const auto& [chart, id] : charts) {
        CRect area;
        GetDlgItem(id)->GetWindowRect(&area);
        ScreenToClient(&area);
        chart->Create(area, this);
    }
}

CString CPersonFitDlg::Cell(const PersonFigures& f, Column column) const
{
    switch (column) {
    case kId:
        return f.shownId();
    case kAnswered:
        return std::to_string(f.answered);
    case kTotal:
        return std::to_string(f.total);
    case kTheta:
        return figureText(f.theta);
    case kSe:
        return figureText(f.se);
    case kGivenTheta:
        return figureText(f.givenTheta);
    case kLz:
        return figureText(f.lz);
    case kLzStar:
        return figureText(f.lzStar);
    case kP:
        return PValueText(f.p);
    case kSimulatedP:
        // Empty until the subjects are simulated, as the other windows have it.
        return m_pRecords->request().replicates > 0 ? PValueText(f.pSimulated) : "";
    case kInfit:
        return figureText(f.infit);
    case kOutfit:
        return figureText(f.outfit);
    case kInfitT:
        return figureText(f.infitT);
    case kOutfitT:
        return figureText(f.outfitT);
    case kFlagged:
        return f.flagged ? "*" : "";
    default:
        return PersonNoteName(f.note);
    }
}

void CPersonFitDlg::ShowSummary()
{
    const PersonSummary& summary = m_pRecords->summary();
    GetDlgItem(IDC_PERSON_SUMMARY)
        ->SetWindowText(PersonCountsLine(summary) + ". " + PersonScreeningLine(summary) + ".");
    CheckRadioButton(IDC_ESTIMATOR_WLE, IDC_ESTIMATOR_EAP,
                     kEstimatorButtons[static_cast<int>(m_pRecords->request().estimator)]);
    const PersonHistogram histogram = PersonHistogramOf(summary);
    m_histogram.SetChart([histogram](double width, double height, double textSize) {
        return PersonHistogramScene(histogram, width, height, textSize);
    });
}

void CPersonFitDlg::OnColumnClick(NMHDR* header, LRESULT* result)
{
    m_table.SortBy(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    *result = 0;
}

void CPersonFitDlg::OnGetDispInfo(NMHDR* header, LRESULT* result)
{
    m_table.GetDispInfo(*reinterpret_cast<NMLVDISPINFO*>(header));
    *result = 0;
}

void CPersonFitDlg::OnItemChanged(NMHDR* header, LRESULT* result)
{
    const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED))
        ShowResponse(change->iItem);
    *result = 0;
}

void CPersonFitDlg::ShowResponse(int row)
{
    if (row < 0 || row >= m_list.GetItemCount() || !m_response.IsWindow())
        return;
    const std::size_t record = m_table.RecordAt(row);
    const PersonFigures& figures = m_pRecords->figures(record);
    m_nCharted = figures.subject;
    const PersonResponse response =
        PersonResponseOf(m_pRecords->fit(), figures, m_pRecords->categories(record), m_names);
    m_response.SetChart([response](double width, double height, double textSize) {
        return PersonResponseScene(response, width, height, textSize);
    });
}

std::string CPersonFitDlg::TableCsv() const
{
    std::ostringstream csv;
    PersonRows rows(csv, m_bGivenTheta, m_pRecords->request().replicates > 0);
    rows.header();
    for (const std::size_t record : m_table.Order())
        rows.row(m_pRecords->figures(record));
    return csv.str();
}

void CPersonFitDlg::OnContextMenu(CWnd* window, CPoint point)
{
    if (window && window->GetDlgCtrlID() == IDC_PERSON_LIST)
        m_table.ContextMenu(this, point, TableCsv(), "persons.csv");
}

void CPersonFitDlg::OnSaveTable() { SaveTableAsCsv(this, "persons.csv", TableCsv()); }

void CPersonFitDlg::OnEstimator()
{
    const PersonRequest& shown = m_pRecords->request();
    for (int k = 0; k < 4; ++k)
        if (IsDlgButtonChecked(kEstimatorButtons[k]) && static_cast<ThetaEstimator>(k) != shown.estimator)
            return Rerun({static_cast<ThetaEstimator>(k), 0, shown.seed});
}

void CPersonFitDlg::OnSimulate()
{
    CReplicatesDlg ask(this);
    ask.m_prompt = "Draws of each subject's answers:";
    if (ask.DoModal() != IDOK)
        return;
    Rerun({m_pRecords->request().estimator, static_cast<std::uint64_t>(ask.m_nReplicates),
           m_pRecords->request().seed});
}

void CPersonFitDlg::Rerun(const PersonRequest& asked)
{
    std::shared_ptr<const PersonRecords> records = m_compute ? m_compute(asked) : nullptr;
    if (records && records->size() == m_pRecords->size())
        m_pRecords = std::move(records);
    ShowSummary();
    m_table.Refresh();
    ShowResponse(m_list.GetNextItem(-1, LVNI_SELECTED));
}
