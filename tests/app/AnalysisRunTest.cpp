#include "app/AnalysisRun.h"

#include <filesystem>
#include <utility>

#include "app/MissingCodesDlg.h"
#include "app/ModelSelectDlg.h"
#include "fit/ReportFile.h"
#include "res/resource.h"
#include "results/ResultsDlg.h"
#include "tests/TempDirectory.h"
#include "tests/framework/GuiTest.h"

namespace {

namespace fs = std::filesystem;

using Boxes = std::vector<std::pair<int, std::string>>;

// The engine a run calls, with the request it was given kept aside.
FitEngineFunction g_engine = nullptr;
FitRequest g_request;
int g_engineCalls = 0;

FitResult recordingEngine(const RunRequest& request, RunOutcome& outcome)
{
    g_request = request.fit;
    ++g_engineCalls;
    return g_engine(request, outcome);
}

AnalysisRun recorded(const AnalysisRun& run)
{
    g_engine = run.engine;
    g_engineCalls = 0;
    AnalysisRun copy = run;
    copy.engine = recordingEngine;
    return copy;
}

void expectSameRequest(const FitRequest& actual, const FitRequest& expected)
{
    EXPECT_EQ(actual.subjectCount, expected.subjectCount);
    EXPECT_EQ(actual.itemCount, expected.itemCount);
    EXPECT_EQ(actual.categoryCount, expected.categoryCount);
    EXPECT_EQ(actual.discriminationFile, expected.discriminationFile);
    EXPECT_EQ(actual.difficultyFile, expected.difficultyFile);
    EXPECT_EQ(actual.cFile, expected.cFile);
    EXPECT_EQ(actual.scoreFile, expected.scoreFile);
    EXPECT_EQ(actual.latentFile, expected.latentFile);
    EXPECT_EQ(actual.nodeCount, expected.nodeCount);
    EXPECT_EQ(actual.metric, expected.metric);
    EXPECT_EQ(actual.discriminationConstant, expected.discriminationConstant);
    EXPECT_EQ(actual.parameterCount, expected.parameterCount);
    EXPECT_EQ(actual.useEstimates, expected.useEstimates);
}

class AnalysisRunTest : public GuiTest {
protected:
    AnalysisRunTest()
    {
        for (const auto& entry : fs::directory_iterator(TALVER_EXAMPLES_DIR))
            if (entry.path().extension() == ".dat" || entry.path().extension() == ".csv")
                fs::copy_file(entry.path(), entry.path().filename());
    }

    // Scripts for the dialogs of a run, in the order they open.
    void fillAndContinue(const Boxes& boxes)
    {
        onModal([boxes](CDialog& d) {
            for (const auto& [id, text] : boxes)
                afxtest::Type(d, id, text);
            afxtest::Click(d, IDOK);
        });
    }
    // The model dialog: choose the latent option (0: keep 20 nodes), fill
    // the boxes, Continue. The nodes-file option shows its note first.
    void modelDialog(int latentOption, const Boxes& boxes, bool logistic = false)
    {
        onModal([this, latentOption, boxes, logistic](CDialog& d) {
            if (latentOption != 0)
                afxtest::Click(d, latentOption);
            if (latentOption == IDC_NODES_FILE_OPTION) {
                EXPECT_EQ(messages().size(), 1u);
            }
            if (logistic)
                afxtest::Click(d, IDC_LOGISTIC_METRIC);
            for (const auto& [id, text] : boxes)
                afxtest::Type(d, id, text);
            afxtest::Click(d, IDOK);
            EXPECT_EQ(messages(), std::vector<std::string>{});
        });
    }
    void results(const std::function<void(CResultsDlg&)>& look)
    {
        onModal([look](CDialog& d) {
            auto& dialog = dynamic_cast<CResultsDlg&>(d);
            look(dialog);
            afxtest::Click(d, IDOK);
        });
    }
    void cancel()
    {
        onModal([](CDialog& d) { afxtest::Click(d, IDCANCEL); });
    }

    TempDirectory folder_;
};

TEST_F(AnalysisRunTest, EveryModelRunsOnTheShippedExamples)
{
    struct Scenario {
        const AnalysisRun* run;
        Boxes sizes;
        int latentOption;
        Boxes files;
        bool logistic;
        int nodeCount;  // typed in the node-count dialog, when it opens
        FitRequest expected;
        int rows, minScore, maxScore;
    };
    const auto request = [](int n, int m, int k, const char* a, const char* b, const char* c, const char* x,
                            const char* latent, int q, int metric, double constant, int parameters, int estimates) {
        return FitRequest{n, m, k, a, b, c, x, latent, q, metric, constant, parameters, estimates};
    };
    const Scenario scenarios[] = {
        {&kOneParameterRun, {{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}}, IDC_USE_ESTIMATES,
         {{IDC_DIFFICULTY_FILE, "1pl-difficulty.dat"}, {IDC_SCORE_FILE, "1pl-scores.dat"},
          {IDC_DISCRIMINATION_CONSTANT, "1"}, {IDC_ESTIMATES_FILE, "1pl-estimates.dat"}},
         false, 0,
         request(1000, 20, 0, "", "1pl-difficulty.dat", "", "1pl-scores.dat", "1pl-estimates.dat", 1000, 0, 1.0, 1,
                 1),
         21, 0, 20},
        {&kTwoParametersRun, {{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}}, 0,
         {{IDC_DISCRIMINATION_FILE, "2pl-discrimination.dat"}, {IDC_DIFFICULTY_FILE, "2pl-difficulty.dat"},
          {IDC_SCORE_FILE, "2pl-scores.dat"}, {IDC_NODES_FILE, "ignored.dat"}},
         false, 0,
         request(1000, 20, 0, "2pl-discrimination.dat", "2pl-difficulty.dat", "", "2pl-scores.dat", "nodes20.dat",
                 20, 0, 0.0, 2, 0),
         21, 0, 20},
        {&kThreeParametersRun, {{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}}, IDC_NODES51,
         {{IDC_DISCRIMINATION_FILE, "3pl-discrimination.dat"}, {IDC_DIFFICULTY_FILE, "3pl-difficulty.dat"},
          {IDC_C_FILE, "3pl-c.dat"}, {IDC_SCORE_FILE, "3pl-scores.dat"}},
         true, 0,
         request(1000, 20, 0, "3pl-discrimination.dat", "3pl-difficulty.dat", "3pl-c.dat", "3pl-scores.dat",
                 "nodes51.dat", 51, 1, 0.0, 3, 0),
         21, 0, 20},
        {&kGradedResponseRun, {{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "10"}, {IDC_CATEGORIES, "4"}},
         IDC_NODES_FILE_OPTION,
         {{IDC_DISCRIMINATION_FILE, "grm-discrimination.dat"}, {IDC_DIFFICULTY_FILE, "grm-thresholds.dat"},
          {IDC_SCORE_FILE, "grm-scores.dat"}, {IDC_NODES_FILE, "nodes20.dat"}},
         false, 20,
         request(1000, 10, 4, "grm-discrimination.dat", "grm-thresholds.dat", "", "grm-scores.dat", "nodes20.dat",
                 20, 0, 0.0, 3, 0),
         31, 10, 40},
        {&kPartialCreditRun, {{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "10"}, {IDC_CATEGORIES, "4"}}, 0,
         {{IDC_DIFFICULTY_FILE, "pcm-steps.dat"}, {IDC_SCORE_FILE, "pcm-scores.dat"},
          {IDC_DISCRIMINATION_CONSTANT, "1.25"}},
         true, 0,
         request(1000, 10, 4, "", "pcm-steps.dat", "", "pcm-scores.dat", "nodes20.dat", 20, 1, 1.25, 1, 0), 31,
         10, 40},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.expected.scoreFile);
        fs::remove(kReportFile);
        fillAndContinue(s.sizes);
        modelDialog(s.latentOption, s.files, s.logistic);
        if (s.nodeCount)
            fillAndContinue({{IDC_NODES, std::to_string(s.nodeCount)}});
        results([&s](CResultsDlg& d) {
            EXPECT_EQ(d.m_list.GetCount(), s.rows + 2);
            EXPECT_EQ(d.GetDlgItem(IDC_MIN_SCORE)->GetWindowText(), std::to_string(s.minScore));
            EXPECT_EQ(d.GetDlgItem(IDC_MAX_SCORE)->GetWindowText(), std::to_string(s.maxScore));
            EXPECT_EQ(d.m_plot.m_nExpectedCount, s.rows);
            CString first;
            d.m_list.GetText(2, first);
            EXPECT_EQ(std::stoi(first), s.minScore);
        });
        RunAnalysis(recorded(*s.run), nullptr);
        EXPECT_EQ(g_engineCalls, 1);
        expectSameRequest(g_request, s.expected);
        EXPECT_EQ(folder_.read(kReportFile).rfind("WIN TALVER OUTPUT\n", 0), 0u);
    }
}

// Each button opens its own dialogs; Cancel in any of them ends the run
// before the engine, and no report is written.
TEST_F(AnalysisRunTest, CancelAnywhereEndsTheRunWithNoTrace)
{
    struct Button {
        int id;
        int modelDialog;
        bool polytomous;
        bool cInUse;
    };
    const Button buttons[] = {
        {IDC_ONE_PARAMETER, IDD_ONE_PARAM, false, false},    {IDC_TWO_PARAMETERS, IDD_TWO_PARAM, false, false},
        {IDC_THREE_PARAMETERS, IDD_THREE_PARAM, false, true}, {IDC_GRADED_RESPONSE, IDD_THREE_PARAM, true, false},
        {IDC_PARTIAL_CREDIT, IDD_ONE_PARAM, true, false},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.id);
        const Boxes sizes = b.polytomous ? Boxes{{IDC_SUBJECTS, "5"}, {IDC_ITEMS, "2"}, {IDC_CATEGORIES, "3"}}
                                         : Boxes{{IDC_SUBJECTS, "5"}, {IDC_ITEMS, "2"}};
        CModelSelectDlg main;
        onModal([&](CDialog& d) {
            afxtest::Click(d, b.id);  // Cancel in the size dialog
            afxtest::Click(d, b.id);  // Cancel in the model dialog
            afxtest::Click(d, b.id);  // Cancel in the node-count dialog
            afxtest::Click(d, IDCANCEL);
        });
        onModal([&](CDialog& size) {
            EXPECT_EQ(size.Template().id, b.polytomous ? IDD_CATEGORY_SIZE : IDD_MATRIX_SIZE);
            afxtest::Click(size, IDCANCEL);
        });
        fillAndContinue(sizes);
        onModal([&](CDialog& model) {
            EXPECT_EQ(model.Template().id, b.modelDialog);
            EXPECT_EQ(model.GetDlgItem(IDC_C_FILE) && model.GetDlgItem(IDC_C_FILE)->IsWindowEnabled(), b.cInUse);
            afxtest::Click(model, IDCANCEL);
        });
        fillAndContinue(sizes);
        Boxes files = {{IDC_DIFFICULTY_FILE, "b.dat"}, {IDC_SCORE_FILE, "x.dat"}, {IDC_NODES_FILE, "n.dat"}};
        if (b.modelDialog != IDD_ONE_PARAM)
            files.push_back({IDC_DISCRIMINATION_FILE, "a.dat"});
        else
            files.push_back({IDC_DISCRIMINATION_CONSTANT, "1"});
        if (b.cInUse)
            files.push_back({IDC_C_FILE, "c.dat"});
        modelDialog(IDC_NODES_FILE_OPTION, files);
        cancel();
        EXPECT_EQ(main.DoModal(), IDCANCEL);
        EXPECT_FALSE(fs::exists(kReportFile));
        EXPECT_FALSE(fs::exists(kGraphReportFile));
    }
}

TEST_F(AnalysisRunTest, AFailedRunSaysWhyAndShowsNoResults)
{
    const std::string here = fs::current_path().string();
    fillAndContinue({{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}});
    modelDialog(0, {{IDC_DIFFICULTY_FILE, "1pl-difficulty.dat"}, {IDC_SCORE_FILE, "missing scores.dat"},
                    {IDC_DISCRIMINATION_CONSTANT, "1"}});
    RunAnalysis(kOneParameterRun, nullptr);
    const auto boxes = takeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot open the scores file \"missing scores.dat\" in " + here + ".");
    EXPECT_TRUE(boxes[0].warningIcon);
    EXPECT_EQ(boxes[0].caption, "talver");

    fs::create_directory(kReportFile);
    fillAndContinue({{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}});
    modelDialog(0, {{IDC_DIFFICULTY_FILE, "1pl-difficulty.dat"}, {IDC_SCORE_FILE, "1pl-scores.dat"},
                    {IDC_DISCRIMINATION_CONSTANT, "1"}});
    RunAnalysis(kOneParameterRun, nullptr);
    EXPECT_EQ(messages(), std::vector<std::string>{"Cannot write the report files OUT and OUTG in " + here + "."});

    // Every result an engine gives, in words.
    FitRequest r;
    r.discriminationFile = "a.dat";
    r.difficultyFile = "b.dat";
    r.cFile = "c.dat";
    r.scoreFile = "x.dat";
    r.latentFile = "nodes20.dat";
    const std::pair<FitResult, std::string> texts[] = {
        {kDiscriminationFileError, "Cannot open the discrimination file \"a.dat\" in " + here + "."},
        {kDifficultyFileError, "Cannot open the difficulty file \"b.dat\" in " + here + "."},
        {kCFileError, "Cannot open the C indices file \"c.dat\" in " + here + "."},
        {kScoreFileError, "Cannot open the scores file \"x.dat\" in " + here + "."},
        {kLatentFileError, "Cannot open the latent distribution file \"nodes20.dat\" in " + here + "."},
        {kReportFileError, "Cannot write the report files OUT and OUTG in " + here + "."},
        {kOutOfMemory, "Not enough memory for this run."},
    };
    for (const auto& [result, text] : texts)
        EXPECT_EQ(DescribeFitResult(result, r, FitModel::Kind::Binary, here), text);
    // The polytomous models' parameters, and the estimates, by name.
    EXPECT_EQ(DescribeFitResult(kDifficultyFileError, r, FitModel::Kind::Graded, here),
              "Cannot open the thresholds file \"b.dat\" in " + here + ".");
    EXPECT_EQ(DescribeFitResult(kDifficultyValueError, r, FitModel::Kind::PartialCredit, here),
              "The steps file \"b.dat\" holds a value beyond the range of single precision (about 3.4e38).");
    r.useEstimates = 1;
    EXPECT_EQ(DescribeFitResult(kLatentFileError, r, FitModel::Kind::Binary, here),
              "Cannot open the ability estimates file \"nodes20.dat\" in " + here + ".");
    // A whole path says where it is.
    r.scoreFile = "/data/x.dat";
    EXPECT_EQ(DescribeFitResult(kScoreFileError, r, FitModel::Kind::Binary, here),
              "Cannot open the scores file \"/data/x.dat\".");
}

// A Browse into the user's data folder leaves the working directory there,
// without the nodes files: the shipped one is read, unless the folder has
// its own.
TEST_F(AnalysisRunTest, TheShippedNodesFilesAreFoundAfterABrowse)
{
    fs::create_directory("data");
    fs::copy_file("1pl-scores.dat", "data/1pl-scores.dat");
    const std::string data = fs::absolute("data").string();
    for (bool ownNodes : {false, true}) {
        if (ownNodes)
            fs::copy_file("nodes20.dat", "data/nodes20.dat");
        afxtest::SetFileChooserHandler(
            [&](const std::string&, const std::string&) { return std::optional<std::string>(data + "/1pl-scores.dat"); });
        fillAndContinue({{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}});
        const std::string difficulty = fs::absolute("1pl-difficulty.dat").string();
        onModal([&](CDialog& d) {
            afxtest::Click(d, IDC_BROWSE_SCORES);
            afxtest::Type(d, IDC_DIFFICULTY_FILE, difficulty);
            afxtest::Type(d, IDC_DISCRIMINATION_CONSTANT, "1");
            afxtest::Click(d, IDOK);
        });
        results([](CResultsDlg& d) { EXPECT_EQ(d.m_list.GetCount(), 23); });
        RunAnalysis(recorded(kOneParameterRun), nullptr);
        EXPECT_EQ(fs::current_path(), fs::path(data));
        if (ownNodes) {
            EXPECT_EQ(g_request.latentFile, "nodes20.dat");
        } else {
            EXPECT_TRUE(fs::path(g_request.latentFile).is_absolute());
            EXPECT_EQ(fs::path(g_request.latentFile).filename(), "nodes20.dat");
        }
        fs::current_path(folder_.path());
    }
}

// 100 binary items: 101 scores, each listed and plotted.
// One more subject than the file holds: the run succeeds, one box captioned
// with the title says so, and then the results open as computed.
TEST_F(AnalysisRunTest, WarningsComeInOneBoxBeforeTheResults)
{
    fillAndContinue({{IDC_SUBJECTS, "1001"}, {IDC_ITEMS, "20"}});
    modelDialog(0, {{IDC_DIFFICULTY_FILE, "1pl-difficulty.dat"}, {IDC_SCORE_FILE, "1pl-scores.dat"},
                    {IDC_DISCRIMINATION_CONSTANT, "1"}});
    results([this](CResultsDlg& d) {
        const auto boxes = takeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, "talver");
        EXPECT_TRUE(boxes[0].warningIcon);
        EXPECT_EQ(boxes[0].text, "The scores file \"1pl-scores.dat\" ended after 20,000 of the 20,020 values the "
                                 "sizes call for; the rest count as 0, from subject 1,001, item 1 on. Are the "
                                 "numbers of subjects and items right?");
        EXPECT_EQ(d.m_list.GetCount(), 23);
    });
    RunAnalysis(kOneParameterRun, nullptr);
}

TEST_F(AnalysisRunTest, AHundredItemTestShowsEveryScore)
{
    std::string difficulties, scores;
    for (int i = 0; i < 100; ++i)
        difficulties += std::to_string((i % 21 - 10) / 5.0) + " ";
    for (int j = 0; j < 300; ++j)
        for (int i = 0; i < 100; ++i)
            scores += (j * 7 + i * 13) % 10 < 3 + j % 5 ? "1 " : "0 ";
    folder_.write("b100.dat", difficulties);
    folder_.write("x100.dat", scores);
    fillAndContinue({{IDC_SUBJECTS, "300"}, {IDC_ITEMS, "100"}});
    modelDialog(IDC_NODES51, {{IDC_DIFFICULTY_FILE, "b100.dat"}, {IDC_SCORE_FILE, "x100.dat"},
                              {IDC_DISCRIMINATION_CONSTANT, "0.8"}});
    results([](CResultsDlg& d) {
        EXPECT_EQ(d.m_list.GetCount(), 103);
        EXPECT_EQ(d.m_plot.m_nObservedCount, 101);
        EXPECT_EQ(d.GetDlgItem(IDC_MAX_SCORE)->GetWindowText(), "100");
    });
    RunAnalysis(kOneParameterRun, nullptr);
}

// With missing codes in the settings a run fits each subject on the items
// it answered, and the results say so; codes the model takes as answers
// end the run with a message box.
TEST_F(AnalysisRunTest, MissingCodesFromTheSettings)
{
    std::string scores = folder_.read("2pl-scores.dat");
    // Every third subject left items 11 to 20 out.
    for (std::size_t line = 0, at = 0; at < scores.size(); ++line, at = scores.find('\n', at) + 1)
        if (line % 3 == 0)
            for (std::size_t item = 10; item < 20; ++item)
                scores[at + 2 * item] = '9';
    folder_.write("x9.dat", scores);
    const Boxes twoPl = {{IDC_DISCRIMINATION_FILE, "2pl-discrimination.dat"},
                         {IDC_DIFFICULTY_FILE, "2pl-difficulty.dat"}, {IDC_SCORE_FILE, "x9.dat"}};

    ASSERT_TRUE(KeepMissingCodes(MissingCodes({9})));
    fillAndContinue({{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}});
    modelDialog(0, twoPl);
    results([](CResultsDlg& d) {
        EXPECT_EQ(d.GetWindowText(), "Win TALVER Results: 1,000 subjects, 2 forms, 16.7% of answers missing");
        EXPECT_EQ(d.m_pRun->forms()->forms().size(), 2u);
        EXPECT_EQ(d.GetDlgItem(IDC_MAX_SCORE)->GetWindowText(), "20");
        screenshot(d, "results-missing.png");
    });
    RunAnalysis(kTwoParametersRun, nullptr);

    ASSERT_TRUE(KeepMissingCodes(MissingCodes({1, 9})));
    fillAndContinue({{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}});
    modelDialog(0, twoPl);
    RunAnalysis(kTwoParametersRun, nullptr);
    EXPECT_EQ(messages(), std::vector<std::string>{"Cannot take these missing codes: the missing code 1 is one of "
                                                   "the model's codes, 0 to 1."});
    ASSERT_TRUE(KeepMissingCodes(MissingCodes()));
}

// The lowest code of each model is an answer: typed in the missing-codes
// box it is kept, and a run refuses it in a message box, with no results
// and no reports.
TEST_F(AnalysisRunTest, TheLowestCodeOfEveryModelIsRefusedAsMissing)
{
    const struct {
        const AnalysisRun* run;
        const char* codes;
        Boxes sizes, files;
        const char* said;
    } cases[] = {
        {&kThreeParametersRun, "0",
         {{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}},
         {{IDC_DISCRIMINATION_FILE, "3pl-discrimination.dat"}, {IDC_DIFFICULTY_FILE, "3pl-difficulty.dat"},
          {IDC_C_FILE, "3pl-c.dat"}, {IDC_SCORE_FILE, "3pl-scores.dat"}},
         "the missing code 0 is one of the model's codes, 0 to 1"},
        {&kOneParameterRun, "9, 0",
         {{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "20"}},
         {{IDC_DIFFICULTY_FILE, "1pl-difficulty.dat"}, {IDC_SCORE_FILE, "1pl-scores.dat"},
          {IDC_DISCRIMINATION_CONSTANT, "1"}},
         "the missing code 0 is one of the model's codes, 0 to 1"},
        {&kGradedResponseRun, "1",
         {{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "10"}, {IDC_CATEGORIES, "4"}},
         {{IDC_DISCRIMINATION_FILE, "grm-discrimination.dat"}, {IDC_DIFFICULTY_FILE, "grm-thresholds.dat"},
          {IDC_SCORE_FILE, "grm-scores.dat"}},
         "the missing code 1 is one of the model's codes, 1 to 4"},
        {&kPartialCreditRun, "-1,1",
         {{IDC_SUBJECTS, "1000"}, {IDC_ITEMS, "10"}, {IDC_CATEGORIES, "4"}},
         {{IDC_DIFFICULTY_FILE, "pcm-steps.dat"}, {IDC_SCORE_FILE, "pcm-scores.dat"},
          {IDC_DISCRIMINATION_CONSTANT, "1"}},
         "the missing code 1 is one of the model's codes, 1 to 4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codes);
        CMissingCodesDlg box;
        onModal([&c](CDialog& d) {
            afxtest::Type(d, IDC_MISSING_CODES, c.codes);
            afxtest::Click(d, IDOK);
        });
        ASSERT_EQ(box.DoModal(), IDOK);
        EXPECT_EQ(messages(), std::vector<std::string>{});
        ASSERT_TRUE(KeepMissingCodes(box.m_codes));
        fillAndContinue(c.sizes);
        modelDialog(0, c.files);
        RunAnalysis(*c.run, nullptr);
        EXPECT_EQ(messages(),
                  std::vector<std::string>{std::string("Cannot take these missing codes: ") + c.said + "."});
        EXPECT_FALSE(fs::exists(kReportFile));
    }
    ASSERT_TRUE(KeepMissingCodes(MissingCodes()));
}

// Tables named in the boxes give the reports of the plain files, the items
// their names; sizes typed that are not the table's say so, and the run
// does not start.
TEST_F(AnalysisRunTest, TablesInTheModelDialogBoxes)
{
    const auto run3pl = [this](const char* subjects, const Boxes& boxes,
                               const std::function<void(CResultsDlg&)>& look = {}) {
        fillAndContinue({{IDC_SUBJECTS, subjects}, {IDC_ITEMS, "20"}});
        modelDialog(IDC_NODES51, boxes);
        if (look)
            results(look);
        RunAnalysis(kThreeParametersRun, nullptr);
    };
    run3pl("1000",
           {{IDC_DISCRIMINATION_FILE, "3pl-discrimination.dat"}, {IDC_DIFFICULTY_FILE, "3pl-difficulty.dat"},
            {IDC_C_FILE, "3pl-c.dat"}, {IDC_SCORE_FILE, "3pl-scores.dat"}},
           [](CResultsDlg& d) { EXPECT_TRUE(d.m_pRun->itemNames().empty()); });
    const std::string report = folder_.read("OUT");

    // The scores' table has a column of identifiers before the 20 items.
    const Boxes tables = {{IDC_DISCRIMINATION_FILE, "3pl-items.csv"}, {IDC_DIFFICULTY_FILE, "3pl-items.csv"},
                          {IDC_C_FILE, "3pl-items.csv"}, {IDC_SCORE_FILE, "3pl-scores.csv"}};
    run3pl("1000", tables, [](CResultsDlg& d) {
        ASSERT_EQ(d.m_pRun->itemNames().size(), 20u);
        EXPECT_EQ(d.m_pRun->itemNames()[19], "q20");
    });
    EXPECT_EQ(folder_.read("OUT"), report);
    EXPECT_EQ(messages(), std::vector<std::string>{});

    run3pl("999", tables);
    EXPECT_EQ(messages(), std::vector<std::string>{"The sizes given are not the score table's: 3pl-scores.csv: the "
                                                   "table holds 1,000 subjects, where 999 were given."});
    folder_.write("bad.csv", "item,a,b,c\nq01,1,0,0.2\n");
    run3pl("1000", {{IDC_DISCRIMINATION_FILE, "bad.csv"}, {IDC_DIFFICULTY_FILE, "3pl-items.csv"},
                    {IDC_C_FILE, "3pl-items.csv"}, {IDC_SCORE_FILE, "3pl-scores.csv"}});
    EXPECT_EQ(messages(), std::vector<std::string>{"The table cannot be read: bad.csv, column \"item\": the item "
                                                   "\"q02\" of the scores is not in the table."});
    EXPECT_EQ(folder_.read("OUT"), report);
}

}  // namespace
