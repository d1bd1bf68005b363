#include "dialogs/OneParamDlg.h"
#include "dialogs/ThreeParamDlg.h"
#include "dialogs/TwoParamDlg.h"

#include <filesystem>
#include <memory>

#include "res/resource.h"
#include "tests/framework/GuiTest.h"

namespace {

const std::string kTwentyNodesNote =
    "Note that a file with nodes data must be expecified following BILOG format output.\n"
    "The number of nodes expected are 20.";
const std::string kNodesNote =
    "Note that a file with nodes data must be expecified following BILOG format output.\n\n"
    " (See file 'nodes20.dat' for an example).";

class ModelInputDlgTest : public GuiTest {
protected:
    static bool enabled(CDialog& d, int id) { return d.GetDlgItem(id)->IsWindowEnabled(); }
    static bool checked(CDialog& d, int id) { return d.IsDlgButtonChecked(id) != 0; }
    // Answers the next file chooser with path, remembering its title.
    void choose(const std::string& path)
    {
        afxtest::SetFileChooserHandler([this, path](const std::string& title, const std::string& filter) {
            chooserTitle = title;
            EXPECT_EQ(filter, "*.dat (*.dat);;Tables (*.csv *.tsv);;All files (*)");
            return std::optional<std::string>(path);
        });
    }
    std::string chooserTitle;
};

TEST_F(ModelInputDlgTest, EveryDialogOpensInTheSameStateWhateverWasStored)
{
    struct {
        std::unique_ptr<CModelInputDlg> dialog;
        int firstBox;
        const char* png;
    } cases[] = {
        {std::make_unique<CThreeParamDlg>(), IDC_DISCRIMINATION_FILE, "three-param.png"},
        {std::make_unique<CTwoParamDlg>(), IDC_DISCRIMINATION_FILE, "two-param.png"},
        {std::make_unique<COneParamDlg>(), IDC_DIFFICULTY_FILE, "one-param.png"},
    };
    for (auto& c : cases) {
        c.dialog->m_nMetric = 1;
        c.dialog->m_nLatentDist = -1;
        c.dialog->m_bUseLatentDist = 0;
        onModal([&](CDialog& d) {
            EXPECT_TRUE(checked(d, IDC_NORMAL_METRIC));
            EXPECT_FALSE(checked(d, IDC_LOGISTIC_METRIC));
            EXPECT_TRUE(checked(d, IDC_NODES20));
            for (int id : {IDC_NODES_FILE, IDC_BROWSE_NODES, IDC_ESTIMATES_LABEL, IDC_ESTIMATES_FILE, IDC_BROWSE_ESTIMATES})
                EXPECT_FALSE(enabled(d, id)) << id;
            EXPECT_FALSE(checked(d, IDC_USE_ESTIMATES));
            EXPECT_EQ(afxtest::FocusedId(d), c.firstBox);
            EXPECT_FALSE(afxtest::IsTabStop(d, IDC_NODES20));
            EXPECT_TRUE(afxtest::IsTabStop(d, IDC_USE_ESTIMATES));
            screenshot(d, c.png);
            afxtest::PressKey(d, afxtest::Key::Escape);
        });
        EXPECT_EQ(c.dialog->DoModal(), IDCANCEL);
        EXPECT_EQ(c.dialog->m_nMetric, 0);
        EXPECT_EQ(c.dialog->m_nLatentDist, 0);
        EXPECT_EQ(c.dialog->m_bUseLatentDist, 1);
    }
}

TEST_F(ModelInputDlgTest, ContinueChecksInEachDialogsOrder)
{
    CThreeParamDlg three;
    onModal([&](CDialog& d) {
        const auto boxes = (afxtest::Click(d, IDOK), takeBoxes());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Please, select a file with the discrimination indices");
        EXPECT_FALSE(boxes[0].warningIcon);
        afxtest::Type(d, IDC_DISCRIMINATION_FILE, "a.dat");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select a file with the dificulty indices"});
        afxtest::Type(d, IDC_DIFFICULTY_FILE, "b.dat");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select a file with the 'C' indices"});
        afxtest::Type(d, IDC_C_FILE, " ");  // a blank is a name
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select a file with subjects' scores"});
        afxtest::Type(d, IDC_SCORE_FILE, "x.dat");
        afxtest::Click(d, IDC_NODES_FILE_OPTION);
        EXPECT_EQ(messages(), std::vector<std::string>{kNodesNote});
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select a file with the nodes"});
        afxtest::Click(d, IDC_NODES51);  // no name needed any more
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{});
    });
    EXPECT_EQ(three.DoModal(), IDOK);
    EXPECT_EQ(three.m_nLatentDist, 2);
    EXPECT_EQ(three.m_strCFile, " ");

    CTwoParamDlg two;
    onModal([&](CDialog& d) {
        afxtest::Type(d, IDC_DISCRIMINATION_FILE, "a.dat");
        afxtest::Type(d, IDC_DIFFICULTY_FILE, "b.dat");
        afxtest::Type(d, IDC_SCORE_FILE, "x.dat");
        afxtest::Click(d, IDC_LOGISTIC_METRIC);
        afxtest::Click(d, IDC_NODES_FILE_OPTION);
        EXPECT_EQ(messages(), std::vector<std::string>{kTwentyNodesNote});
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select a file with the 20 nodes"});
        afxtest::Click(d, IDC_USE_ESTIMATES);
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select a file with subjects' estimates"});
        afxtest::Type(d, IDC_ESTIMATES_FILE, "theta.dat");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{});
    });
    EXPECT_EQ(two.DoModal(), IDOK);
    EXPECT_EQ(two.m_nMetric, 1);
    EXPECT_EQ(two.m_nLatentDist, -1);
    EXPECT_EQ(two.m_strEstimatesFile, "theta.dat");
}

TEST_F(ModelInputDlgTest, DiscriminationConstant)
{
    COneParamDlg one;
    onModal([&](CDialog& d) {
        EXPECT_EQ(text(d, IDC_DISCRIMINATION_CONSTANT), "0");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select a file with the dificulty indices"});
        // Not a number: the reading stops there, before any presence check.
        afxtest::Type(d, IDC_DISCRIMINATION_CONSTANT, "abc");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please enter a number."});
        EXPECT_EQ(afxtest::FocusedId(d), IDC_DISCRIMINATION_CONSTANT);
        afxtest::Type(d, IDC_DIFFICULTY_FILE, "b.dat");
        // Zero, or zero or infinite once in the engines' single precision.
        for (const char* zero : {"0", "0.0", "1e-50", "1e300"}) {
            afxtest::Type(d, IDC_DISCRIMINATION_CONSTANT, zero);
            EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select the discrimination constant value"});
        }
        afxtest::Type(d, IDC_DISCRIMINATION_CONSTANT, "-1.5");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select a file with subjects' scores"});
        afxtest::Type(d, IDC_SCORE_FILE, "x.dat");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{});
    });
    EXPECT_EQ(one.DoModal(), IDOK);
    EXPECT_EQ(one.m_dDiscriminationConstant, -1.5);
}

TEST_F(ModelInputDlgTest, LatentAreaStates)
{
    CTwoParamDlg dialog;
    onModal([&](CDialog& d) {
        afxtest::Click(d, IDC_NODES_FILE_OPTION);
        EXPECT_EQ(messages(), std::vector<std::string>{kTwentyNodesNote});
        EXPECT_TRUE(enabled(d, IDC_NODES_FILE));
        afxtest::Click(d, IDC_NODES_FILE_OPTION);  // every click, whatever the name
        EXPECT_EQ(messages(), std::vector<std::string>{kTwentyNodesNote});

        afxtest::Click(d, IDC_USE_ESTIMATES);
        EXPECT_EQ(dialog.m_nLatentDist, -1);
        EXPECT_EQ(dialog.m_bUseLatentDist, 0);
        for (int id : {IDC_LATENT_GROUP, IDC_NODES20, IDC_NODES51, IDC_NODES_FILE_OPTION, IDC_NODES_FILE, IDC_BROWSE_NODES})
            EXPECT_FALSE(enabled(d, id)) << id;
        for (int id : {IDC_NODES20, IDC_NODES51, IDC_NODES_FILE_OPTION})
            EXPECT_FALSE(checked(d, id)) << id;
        for (int id : {IDC_ESTIMATES_LABEL, IDC_ESTIMATES_FILE, IDC_BROWSE_ESTIMATES})
            EXPECT_TRUE(enabled(d, id)) << id;

        afxtest::Click(d, IDC_USE_ESTIMATES);  // clear: 20 nodes, the whole group enabled
        EXPECT_EQ(dialog.m_nLatentDist, 0);
        EXPECT_TRUE(checked(d, IDC_NODES20));
        EXPECT_TRUE(enabled(d, IDC_NODES_FILE));
        EXPECT_TRUE(enabled(d, IDC_BROWSE_NODES));
        EXPECT_FALSE(enabled(d, IDC_ESTIMATES_FILE));
        afxtest::Click(d, IDC_NODES51);
        EXPECT_EQ(dialog.m_nLatentDist, 2);
        EXPECT_FALSE(enabled(d, IDC_NODES_FILE));
        afxtest::Click(d, IDC_NODES20);
        EXPECT_EQ(dialog.m_nLatentDist, 0);
        afxtest::Click(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(ModelInputDlgTest, BrowseStoresTheFullPathAndMovesTheWorkingDirectory)
{
    const std::filesystem::path before = std::filesystem::current_path();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "data sets";
    std::filesystem::create_directories(folder);
    const std::string nodes = (folder / "my nodes.dat").string();

    CThreeParamDlg three;
    onModal([&](CDialog& d) {
        afxtest::Type(d, IDC_SCORE_FILE, "typed.dat");
        choose(nodes);
        afxtest::Click(d, IDC_NODES_FILE_OPTION);  // no name yet: the note
        EXPECT_EQ(messages(), std::vector<std::string>{kNodesNote});
        afxtest::Click(d, IDC_BROWSE_NODES);
        EXPECT_EQ(chooserTitle, "Choose your input file with the nodes");
        EXPECT_EQ(text(d, IDC_NODES_FILE), nodes);
        EXPECT_EQ(text(d, IDC_SCORE_FILE), "typed.dat");  // read before, written back
        EXPECT_EQ(std::filesystem::current_path(), folder);
        afxtest::Click(d, IDC_NODES20);
        afxtest::Click(d, IDC_NODES_FILE_OPTION);  // a name now: no note
        EXPECT_EQ(messages(), std::vector<std::string>{});

        afxtest::SetFileChooserHandler([](const std::string&, const std::string&) { return std::nullopt; });
        afxtest::Click(d, IDC_BROWSE_SCORES);  // cancelled: nothing changes
        EXPECT_EQ(text(d, IDC_SCORE_FILE), "typed.dat");
        afxtest::Click(d, IDCANCEL);
    });
    EXPECT_EQ(three.DoModal(), IDCANCEL);
    EXPECT_EQ(three.m_strNodesFile, nodes);

    COneParamDlg one;
    onModal([&](CDialog& d) {
        afxtest::Type(d, IDC_DISCRIMINATION_CONSTANT, "abc");
        afxtest::Type(d, IDC_NODES_FILE, "");
        choose((folder / "b.dat").string());
        afxtest::Click(d, IDC_BROWSE_DIFFICULTY);
        EXPECT_EQ(chooserTitle, "Choose your input file with dificulty indices");
        EXPECT_EQ(messages(), std::vector<std::string>{"Please enter a number."});
        EXPECT_EQ(text(d, IDC_DIFFICULTY_FILE), (folder / "b.dat").string());
        EXPECT_EQ(text(d, IDC_DISCRIMINATION_CONSTANT), "0");  // the last accepted value

        // A long path can reach a limited box only this way.
        const std::string longPath = (folder / (std::string(90, 'n') + ".dat")).string();
        choose(longPath);
        afxtest::Click(d, IDC_USE_ESTIMATES);
        afxtest::Click(d, IDC_BROWSE_ESTIMATES);  // no limit on this box
        afxtest::Click(d, IDC_BROWSE_SCORES);
        EXPECT_EQ(chooserTitle, "Choose your input file with Items scores");
        EXPECT_EQ(text(d, IDC_SCORE_FILE), longPath);
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please enter no more than 80 characters."});
        EXPECT_EQ(afxtest::FocusedId(d), IDC_SCORE_FILE);
        afxtest::Click(d, IDCANCEL);
    });
    EXPECT_EQ(one.DoModal(), IDCANCEL);
    EXPECT_EQ(one.m_strScoreFile, std::string(folder / (std::string(90, 'n') + ".dat")));
    EXPECT_EQ(one.m_strEstimatesFile.size(), one.m_strScoreFile.size());
    std::filesystem::current_path(before);
}

// Tab order, and which box each Browse button fills under which title, in
// every dialog; with every box empty, Continue names the first check.
TEST_F(ModelInputDlgTest, TabOrderAndBrowseTargetsOfEveryDialog)
{
    const std::filesystem::path before = std::filesystem::current_path();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "browse targets";
    std::filesystem::create_directories(folder);
    struct Browse {
        int button, box;
        const char* title;
    };
    struct Case {
        std::unique_ptr<CModelInputDlg> dialog;
        std::vector<int> tabOrder;
        std::vector<Browse> browse;
        const char* firstCheck;
    };
    const Browse discrimination{IDC_BROWSE_DISCRIMINATION, IDC_DISCRIMINATION_FILE,
                                "Choose your input file with discrimination indices"};
    const Browse difficulty{IDC_BROWSE_DIFFICULTY, IDC_DIFFICULTY_FILE, "Choose your input file with dificulty indices"};
    const Browse scores{IDC_BROWSE_SCORES, IDC_SCORE_FILE, "Choose your input file with Items scores"};
    const Browse estimates{IDC_BROWSE_ESTIMATES, IDC_ESTIMATES_FILE, "Choose your input file with subject's estimates"};
    const Browse twentyNodes{IDC_BROWSE_NODES, IDC_NODES_FILE, "Choose your input file with the 20 nodes"};
    Case cases[] = {
        {std::make_unique<CThreeParamDlg>(),
         {IDC_DISCRIMINATION_FILE, IDC_DIFFICULTY_FILE, IDC_C_FILE, IDC_SCORE_FILE, IDOK, IDC_BROWSE_DISCRIMINATION,
          IDC_BROWSE_DIFFICULTY, IDC_BROWSE_C, IDC_BROWSE_SCORES, IDCANCEL, IDC_NODES_FILE, IDC_BROWSE_NODES,
          IDC_ESTIMATES_FILE, IDC_BROWSE_ESTIMATES, IDC_USE_ESTIMATES},
         {discrimination, difficulty, {IDC_BROWSE_C, IDC_C_FILE, "Choose your input file with C indices"}, scores,
          {IDC_BROWSE_NODES, IDC_NODES_FILE, "Choose your input file with the nodes"}, estimates},
         "Please, select a file with the discrimination indices"},
        {std::make_unique<CTwoParamDlg>(),
         {IDC_DISCRIMINATION_FILE, IDC_DIFFICULTY_FILE, IDC_SCORE_FILE, IDOK, IDC_BROWSE_DISCRIMINATION,
          IDC_BROWSE_DIFFICULTY, IDC_BROWSE_SCORES, IDCANCEL, IDC_NODES_FILE, IDC_BROWSE_NODES, IDC_ESTIMATES_FILE,
          IDC_BROWSE_ESTIMATES, IDC_USE_ESTIMATES},
         {discrimination, difficulty, scores, twentyNodes, estimates},
         "Please, select a file with the discrimination indices"},
        {std::make_unique<COneParamDlg>(),
         {IDC_DIFFICULTY_FILE, IDC_DISCRIMINATION_CONSTANT, IDC_SCORE_FILE, IDOK, IDC_BROWSE_DIFFICULTY,
          IDC_BROWSE_SCORES, IDCANCEL, IDC_NODES_FILE, IDC_BROWSE_NODES, IDC_USE_ESTIMATES, IDC_ESTIMATES_FILE,
          IDC_BROWSE_ESTIMATES},
         {difficulty, scores, twentyNodes, estimates},
         "Please, select a file with the dificulty indices"},
    };
    for (Case& c : cases) {
        onModal([&](CDialog& d) {
            EXPECT_EQ(afxtest::TabOrder(d), c.tabOrder);
            EXPECT_EQ(pressContinue(d), std::vector<std::string>{c.firstCheck});
            afxtest::Click(d, IDC_NODES_FILE_OPTION);  // the nodes row in use
            messages();
            for (const Browse& b : c.browse) {
                if (b.button == IDC_BROWSE_ESTIMATES)
                    afxtest::Click(d, IDC_USE_ESTIMATES);
                const std::string path = (folder / (std::to_string(b.button) + ".dat")).string();
                choose(path);
                afxtest::Click(d, b.button);
                EXPECT_EQ(chooserTitle, b.title) << b.button;
                EXPECT_EQ(text(d, b.box), path) << b.button;
            }
            afxtest::Click(d, IDCANCEL);
        });
        EXPECT_EQ(c.dialog->DoModal(), IDCANCEL);
        std::filesystem::current_path(before);
    }
}

// The 80-character limits count characters, not the bytes of their UTF-8.
TEST_F(ModelInputDlgTest, NameLimitsCountCharacters)
{
    std::string eighty, eightyOne;
    for (int i = 0; i < 80; ++i)
        eighty += "\xC3\xA9";  // é
    eightyOne = eighty + "\xC3\xA9";
    for (const std::string& name : {eighty, eightyOne}) {
        COneParamDlg dialog;
        dialog.m_strScoreFile = name;
        onModal([&](CDialog& d) {
            afxtest::Type(d, IDC_DIFFICULTY_FILE, "b.dat");
            afxtest::Type(d, IDC_DISCRIMINATION_CONSTANT, "1");
            const std::vector<std::string> shown = pressContinue(d);
            if (name == eighty) {
                EXPECT_EQ(shown, std::vector<std::string>{});
            } else {
                EXPECT_EQ(shown, std::vector<std::string>{"Please enter no more than 80 characters."});
                afxtest::Click(d, IDCANCEL);
            }
        });
        dialog.DoModal();
    }
}

// Each latent choice enables its own controls, in every dialog.
TEST_F(ModelInputDlgTest, LatentChoicesEnableTheirControlsInEveryDialog)
{
    std::unique_ptr<CModelInputDlg> dialogs[] = {std::make_unique<CThreeParamDlg>(), std::make_unique<CTwoParamDlg>(),
                                                 std::make_unique<COneParamDlg>()};
    const std::vector<int> nodesRow = {IDC_NODES_FILE, IDC_BROWSE_NODES};
    const std::vector<int> estimatesRow = {IDC_ESTIMATES_LABEL, IDC_ESTIMATES_FILE, IDC_BROWSE_ESTIMATES};
    const std::vector<int> latentArea = {IDC_LATENT_GROUP, IDC_NODES20, IDC_NODES51, IDC_NODES_FILE_OPTION};
    for (auto& dialog : dialogs) {
        onModal([&](CDialog& d) {
            const auto expectEnabled = [&](const std::vector<int>& ids, bool wanted) {
                for (int id : ids)
                    EXPECT_EQ(enabled(d, id), wanted) << d.Template().caption << " control " << id;
            };
            struct Step {
                int click;
                int latentDist;
                bool nodes, estimates, area;
            };
            for (const Step& s : {Step{IDC_NODES51, 2, false, false, true}, Step{IDC_NODES_FILE_OPTION, 1, true, false, true},
                                  Step{IDC_NODES20, 0, false, false, true}, Step{IDC_USE_ESTIMATES, -1, false, true, false},
                                  Step{IDC_USE_ESTIMATES, 0, true, false, true}}) {
                afxtest::Click(d, s.click);
                messages();
                EXPECT_EQ(dialog->m_nLatentDist, s.latentDist) << s.click;
                expectEnabled(nodesRow, s.nodes);
                expectEnabled(estimatesRow, s.estimates);
                expectEnabled(latentArea, s.area);
            }
            afxtest::Click(d, IDCANCEL);
        });
        EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    }
}

TEST_F(ModelInputDlgTest, GradedResponseRunLeavesTheCRowOutOfUse)
{
    CThreeParamDlg dialog;
    dialog.m_bWithoutC = 1;
    onModal([&](CDialog& d) {
        for (int id : {IDC_C_LABEL, IDC_C_FILE, IDC_BROWSE_C})
            EXPECT_FALSE(enabled(d, id)) << id;
        EXPECT_EQ(d.Template().caption, std::string("IRT Model: 3 parameters"));
        afxtest::Type(d, IDC_DISCRIMINATION_FILE, "a.dat");
        afxtest::Type(d, IDC_DIFFICULTY_FILE, "thresholds.dat");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{"Please, select a file with subjects' scores"});
        afxtest::Type(d, IDC_SCORE_FILE, "x.dat");
        EXPECT_EQ(pressContinue(d), std::vector<std::string>{});
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_strCFile, "");
}

}  // namespace
