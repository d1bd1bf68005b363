#include "results/PersonFitDlg.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "counts/ItemCodeCounts.h"
#include "res/resource.h"
#include "results/ResultsDlg.h"
#include "stats/TextFormat.h"
#include "tests/TempDirectory.h"
#include "tests/framework/GuiTest.h"
#include "tests/results/ExampleRun.h"

namespace {

// Commands of the results' menu.
constexpr unsigned kSaveReportCommand = 7, kPersonFitCommand = 8;

// Whether the picture holds a pixel of the colour.
bool holds(const afxtest::Picture& picture, std::uint32_t colour)
{
    return std::find(picture.pixels.begin(), picture.pixels.end(), colour) != picture.pixels.end();
}

class PersonFitDlgTest : public GuiTest {
protected:
    // The shipped 3PL example as the program runs it from its tables, its
    // subjects named s0001 to s1000: on 51 nodes, or on its estimates.
    static std::shared_ptr<Analysis> tableExample(bool estimates)
    {
        const std::string examples = std::string(TALVER_EXAMPLES_DIR) + "/";
        AnalysisRequest request;
        request.fit = ShippedExampleRequest("3pl", estimates ? "estimates" : "nodes51");
        request.fit.discriminationFile = request.fit.difficultyFile = request.fit.cFile = examples + "3pl-items.csv";
        request.fit.scoreFile = examples + "3pl-scores.csv";
        request.scoreColumns.id = "student";
        auto analysis = std::make_shared<Analysis>(request);
        EXPECT_EQ(analysis->fit(), kAnalysisSuccess);
        return analysis;
    }
    static std::vector<std::string> column(CPersonFitDlg& d, CPersonFitDlg::Column c)
    {
        std::vector<std::string> texts;
        for (int row = 0; row < d.m_list.GetItemCount(); ++row)
            texts.push_back(d.m_list.GetItemText(row, d.ColumnOf(c)));
        return texts;
    }
    // Opens the results of run, and from its menu the person fit, which
    // look is given; then the results are given to afterwards, and closed.
    void openPersonFit(const std::shared_ptr<Analysis>& run, const std::function<void(CPersonFitDlg&)>& look,
                       const std::function<void(CDialog&)>& afterwards = {})
    {
        unsigned choice = kPersonFitCommand;
        afxtest::SetPopupMenuHandler([&choice](const std::vector<std::string>&) { return choice; });
        CResultsDlg results;
        results.m_pRun = run;
        onModal([&](CDialog& d) {
            onModal([&](CDialog& dialog) {
                auto& persons = dynamic_cast<CPersonFitDlg&>(dialog);
                EXPECT_EQ(persons.Template().caption, std::string("Person fit"));
                look(persons);
                afxtest::Click(persons, IDOK);
            });
            afxtest::RightClick(*d.GetDlgItem(IDC_FREQUENCIES));
            if (afterwards)
                afterwards(d);
            afxtest::Click(d, IDOK);
        });
        results.DoModal();
    }
    // Saves the report of the results d as name in the test's folder; its text.
    std::string saveReport(CDialog& d, const std::string& name)
    {
        afxtest::SetPopupMenuHandler([](const std::vector<std::string>&) { return kSaveReportCommand; });
        afxtest::SetFileChooserHandler([&](const std::string&, const std::string&) {
            return std::optional<std::string>((folder_.path() / name).string());
        });
        afxtest::RightClick(*d.GetDlgItem(IDC_FREQUENCIES));
        return folder_.read((folder_.path() / name).string());
    }

    TempDirectory folder_;
};

}  // namespace

// From the results' menu to every subject of the run: its id, sorted by
// lz* at a click, the answers of the subject selected charted, the
// flagged marked, the table saved in the order shown, the pass run again
// with another estimator and with simulated p-values.
TEST_F(PersonFitDlgTest, ListsEverySubjectSortsAndChartsTheSelected)
{
    const std::filesystem::path saved = folder_.path() / "persons.csv";
    afxtest::SetFileChooserHandler([&](const std::string& title, const std::string&) {
        EXPECT_EQ(title, "Save table as CSV");
        return std::optional<std::string>(saved.string());
    });
    openPersonFit(tableExample(false), [&](CPersonFitDlg& d) {
        const PersonSummary& summary = d.Records().summary();
        ASSERT_EQ(d.m_list.GetItemCount(), 1000);
        EXPECT_EQ(d.m_list.GetItemText(0, d.ColumnOf(CPersonFitDlg::kId)), "s0001");
        EXPECT_EQ(d.m_list.GetItemText(999, d.ColumnOf(CPersonFitDlg::kId)), "s1000");
        EXPECT_EQ(d.ColumnOf(CPersonFitDlg::kGivenTheta), -1);  // a run on nodes
        EXPECT_EQ(d.Records().request().estimator, ThetaEstimator::Wle);
        EXPECT_TRUE(d.IsDlgButtonChecked(IDC_ESTIMATOR_WLE));
        EXPECT_TRUE(d.GetDlgItem(IDC_ESTIMATOR_EAP)->IsWindowEnabled());
        const std::string said = d.GetDlgItem(IDC_PERSON_SUMMARY)->GetWindowText();
        EXPECT_EQ(said.rfind("Subjects with figures: 1,000 of 1,000; without: none. Flagged (p below 0.05): ", 0), 0u)
            << said;
        EXPECT_NE(said.find("chance alone would flag 50.0 (5%)"), std::string::npos) << said;
        EXPECT_EQ(d.m_histogram.Scene().title, "Person fit: lz* of every subject");
        EXPECT_EQ(d.ChartedSubject(), 1);
        EXPECT_EQ(d.m_response.Scene().title.rfind("Subject s0001: \u03B8 = ", 0), 0u)
            << d.m_response.Scene().title;
        const afxtest::Picture first = afxtest::Capture(d.m_response);
        EXPECT_TRUE(holds(first, kObservedColour));
        EXPECT_TRUE(holds(first, kExpectedColour));
        EXPECT_TRUE(holds(afxtest::Capture(d.m_histogram), kExpectedColour));
        const std::vector<std::string> flags = column(d, CPersonFitDlg::kFlagged);
        EXPECT_EQ(static_cast<std::uint64_t>(std::count(flags.begin(), flags.end(), "*")), summary.flagged);

        // lz* upwards: the most misfitting first, the selection with its subject.
        afxtest::ClickColumnHeading(d, IDC_PERSON_LIST, d.ColumnOf(CPersonFitDlg::kLzStar));
        std::vector<double> lzStar;
        for (const std::string& text : column(d, CPersonFitDlg::kLzStar))
            lzStar.push_back(std::stod(text));
        EXPECT_TRUE(std::is_sorted(lzStar.begin(), lzStar.end()));
        const PersonFigures most = summary.mostMisfitting.front();  // the records go with the next pass
        EXPECT_EQ(d.m_list.GetItemText(0, d.ColumnOf(CPersonFitDlg::kId)), most.shownId());
        EXPECT_EQ(d.ChartedSubject(), 1);
        afxtest::ClickListItem(d, IDC_PERSON_LIST, 0);
        EXPECT_EQ(d.ChartedSubject(), most.subject);
        EXPECT_EQ(d.m_response.Scene().title,
                  FormatText("Subject %s: \u03B8 = %.2f, lz* = %.2f *", most.shownId().c_str(), most.theta,
                             most.lzStar));
        EXPECT_NE(afxtest::Capture(d.m_response).pixels, first.pixels);

        afxtest::Click(d, IDC_SAVE_TABLE);
        const std::string csv = folder_.read(saved.string());
        EXPECT_EQ(csv, d.TableCsv());
        EXPECT_EQ(csv.rfind("id,answered,total,theta,se,lz,lz_star,p,infit,outfit,infit_t,outfit_t,flagged,note\n" +
                                most.shownId() + ",20,",
                            0),
                  0u);
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1001);

        // Another estimator: the pass again, sorted and selected as before.
        afxtest::Click(d, IDC_ESTIMATOR_ML);
        EXPECT_EQ(d.Records().request().estimator, ThetaEstimator::Ml);
        EXPECT_TRUE(d.IsDlgButtonChecked(IDC_ESTIMATOR_ML));
        lzStar.clear();
        for (const std::string& text : column(d, CPersonFitDlg::kLzStar))
            if (text != kNoFigure)
                lzStar.push_back(std::stod(text));
        EXPECT_TRUE(std::is_sorted(lzStar.begin(), lzStar.end()));
        EXPECT_EQ(d.ChartedSubject(), most.subject);
        EXPECT_EQ(column(d, CPersonFitDlg::kSimulatedP).front(), "");

        onModal([](CDialog& ask) {
            EXPECT_EQ(ask.GetDlgItem(IDC_REPLICATES)->GetWindowText(), "1000");
            EXPECT_EQ(ask.GetDlgItem(IDC_REPLICATES_PROMPT)->GetWindowText(), "Draws of each subject's answers:");
            afxtest::Type(ask, IDC_REPLICATES, "5");
            afxtest::Click(ask, IDOK);
        });
        afxtest::Click(d, IDC_SIMULATE);
        EXPECT_EQ(d.Records().request().replicates, 5u);
        EXPECT_EQ(d.Records().request().estimator, ThetaEstimator::Ml);
        EXPECT_NE(column(d, CPersonFitDlg::kSimulatedP).front(), "");
        EXPECT_NE(d.TableCsv().find(",p,p_mc,infit,"), std::string::npos);
        screenshot(d, "person-fit.png");
    });
}

// Cancel at the progress of a long pass stops it and leaves what the
// window showed, as the analysis keeps the figures of the pass before; the
// report saved after it has the person fit the window showed.
TEST_F(PersonFitDlgTest, CancelStopsThePassAndKeepsWhatWasShown)
{
    const std::shared_ptr<Analysis> run = tableExample(false);
    std::vector<std::string> captions;
    const auto cancel = [&](CPersonFitDlg& d) {
        const std::string lzStar = column(d, CPersonFitDlg::kLzStar)[7];
        onModal([](CDialog& ask) {
            afxtest::Type(ask, IDC_REPLICATES, "500");
            afxtest::Click(ask, IDOK);
        });
        onModal([&](CDialog& progress) {
            captions.push_back(progress.GetWindowText());
            afxtest::Click(progress, IDCANCEL);
        });
        afxtest::Click(d, IDC_SIMULATE);
        ASSERT_NE(run->persons(), nullptr);
        EXPECT_EQ(run->persons()->replicates, 0u);
        EXPECT_EQ(d.Records().request().replicates, 0u);
        EXPECT_EQ(column(d, CPersonFitDlg::kSimulatedP)[7], "");
        EXPECT_EQ(column(d, CPersonFitDlg::kLzStar)[7], lzStar);
        afxtest::ClickListItem(d, IDC_PERSON_LIST, 7);
        EXPECT_EQ(d.ChartedSubject(), 8);
    };
    openPersonFit(run, cancel, [&](CDialog& results) {
        const std::string html = saveReport(results, "r.html");
        for (const char* said : {"<h2>Person fit</h2>", "<table id=\"persons\">", "Person fit: lz* of every subject"})
            EXPECT_NE(html.find(said), std::string::npos) << said;
        EXPECT_EQ(html.find("Simulated p"), std::string::npos);
    });
    EXPECT_EQ(captions, std::vector<std::string>{"person fit"});
    EXPECT_EQ(messages(), std::vector<std::string>{});
}

// Results read back without their run have no subjects to fit, and say so.
TEST_F(PersonFitDlgTest, ResultsWithoutTheirRunSaySo)
{
    afxtest::SetPopupMenuHandler([](const std::vector<std::string>&) { return kPersonFitCommand; });
    CResultsDlg results;
    onModal([&](CDialog& d) {
        afxtest::RightClick(*d.GetDlgItem(IDC_FREQUENCIES));
        EXPECT_EQ(messages(), std::vector<std::string>{"This run left no analysis to work out the person fit from."});
        afxtest::Click(d, IDOK);
    });
    results.DoModal();
}

// A run on the subjects' estimates lists them beside each estimate, and
// has no eap: its choice is disabled, and asked for, the pass is refused
// with the analysis's reason while the window keeps what it shows.
TEST_F(PersonFitDlgTest, EapIsRefusedOnTheSubjectsEstimates)
{
    openPersonFit(tableExample(true), [&](CPersonFitDlg& d) {
        EXPECT_FALSE(d.GetDlgItem(IDC_ESTIMATOR_EAP)->IsWindowEnabled());
        ASSERT_GE(d.ColumnOf(CPersonFitDlg::kGivenTheta), 0);
        EXPECT_EQ(d.m_list.GetItemText(0, d.ColumnOf(CPersonFitDlg::kGivenTheta)),
                  FormatText("%.4f", d.Records().figures(0).givenTheta));
        EXPECT_EQ(d.Records().figures(0).givenTheta, static_cast<double>(0.0010f));  // 3pl-estimates.dat's first
        EXPECT_EQ(d.m_compute({ThetaEstimator::Eap, 0, 1}), nullptr);
        EXPECT_EQ(messages(),
                  std::vector<std::string>{
                      "The eap estimator needs the latent points of nodes, not the subjects' estimates."});
        EXPECT_EQ(d.Records().request().estimator, ThetaEstimator::Wle);
        EXPECT_NE(d.TableCsv().find(",se,given_theta,lz,"), std::string::npos);
    });
}

// Subjects without a figure stand last in its column whichever way it is
// sorted, their note says why, and their chart says it too; without an
// owner to run passes, another estimator leaves the window as it was.
TEST_F(PersonFitDlgTest, SubjectsWithoutFiguresSayWhy)
{
    FitModel model;
    model.items = ItemParameters(2, 2);
    model.items.a = {1.0f, 1.0f};
    model.items.b = {-0.5f, 0.5f};
    model.items.c = {0.0f, 0.0f};
    model.theta = {-1.0f, 0.0f, 1.0f};
    model.weight = {0.25f, 0.5f, 0.25f};
    auto records = std::make_shared<PersonRecords>(model, PersonRequest{ThetaEstimator::Ml, 0, 1});
    const double lzStar[] = {0.5, kNoPersonFigure, -1.5, kNoPersonFigure};
    const PersonNote notes[] = {PersonNote::None, PersonNote::Extreme, PersonNote::None, PersonNote::TooFewAnswers};
    const unsigned char answers[][2] = {{1, 0}, {1, 1}, {0, 1}, {1, kNotAnswered}};
    for (int k = 0; k < 4; ++k) {
        PersonFigures figures;
        figures.subject = k + 1;
        figures.answered = k == 3 ? 1 : 2;
        if (HasFigure(lzStar[k]))
            figures.theta = figures.lz = figures.lzStar = lzStar[k];
        figures.note = notes[k];
        records->take(figures, answers[k]);
    }
    records->finish(PersonSummary{});
    CPersonFitDlg d(records, false, {"first", "second"});
    onModal([&](CDialog&) {
        EXPECT_TRUE(d.IsDlgButtonChecked(IDC_ESTIMATOR_ML));
        EXPECT_EQ(column(d, CPersonFitDlg::kNote), (std::vector<std::string>{"", "extreme", "", "too_few_answers"}));
        EXPECT_EQ(column(d, CPersonFitDlg::kLzStar)[1], kNoFigure);
        for (int click = 0; click < 2; ++click) {
            afxtest::ClickColumnHeading(d, IDC_PERSON_LIST, d.ColumnOf(CPersonFitDlg::kLzStar));
            const std::vector<std::string> ids = column(d, CPersonFitDlg::kId);
            EXPECT_EQ(ids, click == 0 ? (std::vector<std::string>{"3", "1", "2", "4"})
                                      : (std::vector<std::string>{"1", "3", "2", "4"}));
        }
        afxtest::ClickListItem(d, IDC_PERSON_LIST, 2);
        EXPECT_EQ(d.ChartedSubject(), 2);
        EXPECT_EQ(d.m_response.Scene().title, "Subject 2");
        bool said = false;
        for (const ChartScene::Text& text : d.m_response.Scene().texts)
            said = said || text.text == "No ability estimate (extreme): the answers alone.";
        EXPECT_TRUE(said);

        afxtest::Click(d, IDC_ESTIMATOR_WLE);
        EXPECT_EQ(d.Records().request().estimator, ThetaEstimator::Ml);
        EXPECT_TRUE(d.IsDlgButtonChecked(IDC_ESTIMATOR_ML));
        EXPECT_FALSE(d.IsDlgButtonChecked(IDC_ESTIMATOR_WLE));
        afxtest::Click(d, IDOK);
    });
    d.DoModal();
}
