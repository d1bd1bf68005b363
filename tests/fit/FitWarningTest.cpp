#include "tests/fit/EngineFixture.h"

#include <cstdlib>
#include <filesystem>

namespace {

// A clean 3-parameter run of three subjects on three items; each case
// spoils one file.
class FitWarningTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        writeCleanFiles();
    }
    static void writeCleanFiles()
    {
        write("a.dat", "1 1.2 0.8\n");
        write("b.dat", "-0.5 0 0.5\n");
        write("c.dat", "0.1 0.2 0\n");
        write("x.dat", "1 0 1\n0 0 1\n1 1 1\n");
        write("n.dat", "-1 0.25\n0 0.5\n1 0.25\n");
    }
    static FitRequest binary()
    {
        FitRequest r;
        r.subjectCount = 3;
        r.itemCount = 3;
        r.discriminationFile = "a.dat";
        r.difficultyFile = "b.dat";
        r.cFile = "c.dat";
        r.scoreFile = "x.dat";
        r.latentFile = "n.dat";
        r.nodeCount = 3;
        r.parameterCount = 3;
        return r;
    }
    static std::vector<FitWarning> warningsOf(const FitRequest& r, FitModel::Kind model = FitModel::Kind::Binary,
                                              int threads = 1)
    {
        RunRequest asked;
        asked.fit = r;
        asked.threads = threads;
        RunOutcome outcome;
        EXPECT_EQ(EngineOf(model)(asked, outcome), kFitSuccess);
        return outcome.warnings;
    }
    static std::string kinds(const std::vector<FitWarning>& warnings)
    {
        std::string text;
        for (const FitWarning& warning : warnings)
            text += (text.empty() ? "" : " ") + warning.kind + "@" + warning.file;
        return text;
    }
};

}  // namespace

TEST_F(FitWarningTest, EachKindOnAHandMadeCase)
{
    EXPECT_EQ(kinds(warningsOf(binary())), "");

    struct Case {
        const char* file;
        const char* text;
        const char* kinds;
        std::vector<const char*> phrases;  // in the first message
    };
    const Case cases[] = {
        {"x.dat", "1 0 1\n0 0 1\n1 1", "short_file@x.dat",
         {"ended after 8 of the 9 values", "from subject 3, item 3 on", "subjects and items"}},
        {"x.dat", "1 0 1\n0 0 1\n1 1.0 1\n", "short_file@x.dat",
         {"not a number at byte 15 (subject 3, item 3)", "after 8 of the 9 values"}},  // "1" of "1.0" is read
        {"x.dat", "1 0 1\n0 0 1\n1 1 1\n0 1 0\n", "trailing_values@x.dat", {"more than the 9 values"}},
        {"x.dat", "1 0 1\n0 9 1\n2 1 1\n", "score_out_of_range@x.dat",
         {"2 scores outside the codes 0 to 1", "the first 9 for subject 2, item 2", "missing answer"}},
        {"c.dat", "0.1 1 -0.2\n", "c_out_of_range@c.dat", {"items 2 and 3"}},
        {"a.dat", "1 0 -1\n", "nonpositive_discrimination@a.dat", {"items 2 and 3", "0 or below"}},
        // The missing value counts as 0: a discrimination of 0 too.
        {"a.dat", "1 1\n", "short_file@a.dat nonpositive_discrimination@a.dat",
         {"ended after 2 of the 3 values", "items and categories"}},
        {"n.dat", "-1 0.5\n0 0.5\n1 0.5\n", "weights_sum@n.dat", {"sum to 1.5, not 1"}},
        {"n.dat", "-1 0.25\n0 0.5\n1\n", "short_file@n.dat weights_sum@n.dat", {"ended after 5 of the 6 values"}},
    };
    for (const Case& c : cases) {
        writeCleanFiles();
        write(c.file, c.text);
        const std::vector<FitWarning> warnings = warningsOf(binary());
        EXPECT_EQ(kinds(warnings), c.kinds) << c.text;
        if (warnings.empty())
            continue;
        for (const char* phrase : c.phrases)
            EXPECT_NE(warnings[0].message.find(phrase), std::string::npos) << phrase << " in " << warnings[0].message;
    }

    // A common discrimination of 0 or below has no file.
    writeCleanFiles();
    FitRequest constant = binary();
    constant.parameterCount = 1;
    constant.discriminationConstant = -1.5;
    EXPECT_EQ(kinds(warningsOf(constant)), "nonpositive_discrimination@");

    // Graded thresholds written item by item: boundary 1 holds 1 and 2,
    // boundary 2 holds -1 and 0, so both items go down; the steps of the
    // partial credit model need no order.
    write("a.dat", "1 1\n");
    write("t.dat", "1 2 -1 0\n");
    write("p.dat", "1 2 3\n3 3 1\n2 2 2\n");
    write("n.dat", "0 1\n");
    FitRequest graded = binary();
    graded.itemCount = 2;
    graded.categoryCount = 3;
    graded.difficultyFile = "t.dat";
    graded.scoreFile = "p.dat";
    graded.subjectCount = 3;
    graded.nodeCount = 1;
    write("p.dat", "1 2\n3 3\n0 2\n");
    const std::vector<FitWarning> thresholds = warningsOf(graded, FitModel::Kind::Graded);
    EXPECT_EQ(kinds(thresholds), "decreasing_thresholds@t.dat score_out_of_range@p.dat");
    EXPECT_NE(thresholds[0].message.find("items 1 and 2"), std::string::npos);
    EXPECT_NE(thresholds[1].message.find("the first 0 for subject 3, item 1"), std::string::npos);
    graded.parameterCount = 1;
    graded.discriminationConstant = 1;
    EXPECT_EQ(kinds(warningsOf(graded, FitModel::Kind::PartialCredit)), "score_out_of_range@p.dat");
}

// Warnings change no number: the reports are the same with and without
// them.
TEST_F(FitWarningTest, WarningsChangeNothing)
{
    write("x.dat", "1 0 1\n0 9 1\n1 1");
    ASSERT_EQ(FitBinaryModel(binary()), kFitSuccess);
    const std::string out = read("OUT"), outg = read("OUTG");
    FitWarnings warnings;
    ASSERT_EQ(FitBinaryModel(binary(), nullptr, &warnings), kFitSuccess);
    EXPECT_EQ(warnings.found.size(), 2u);
    EXPECT_EQ(read("OUT"), out);
    EXPECT_EQ(read("OUTG"), outg);

    write("x.dat", "1 0 1\n0 0 1\n1 1 1\n");
    EXPECT_EQ(FitBinaryModel(binary(), nullptr, &warnings), kFitSuccess);
    EXPECT_TRUE(warnings.found.empty());
}

// The parallel counter notes what the reader notes: the same warnings on
// 1, 2 and 3 threads, below and above the size it takes.
TEST_F(FitWarningTest, TheSameOnAnyThreadCountAndFileSize)
{
    for (const int subjects : {3000, 1250000}) {  // 21 kB and 8.75 MB of CR LF lines
        std::string scores;
        for (int j = 0; j < subjects; ++j)
            scores += j == subjects / 2 ? "1 2 0\r\n" : j % 3 ? "1 0 1\r\n" : "0 0 1\r\n";
        write("x.dat", scores + "1 1");  // the last subject short, and two more to come
        FitRequest r = binary();
        r.subjectCount = subjects + 3;
        std::vector<std::string> messages;
        for (int threads = 1; threads <= 3; ++threads) {
            std::string text;
            for (const FitWarning& warning : warningsOf(r, FitModel::Kind::Binary, threads))
                text += warning.message + "\n";
            messages.push_back(text);
        }
        const std::string middle = subjects == 3000 ? "1,501" : "625,001";
        const std::string last = subjects == 3000 ? "3,001" : "1,250,001";
        EXPECT_NE(messages[0].find("holds 1 score outside the codes 0 to 1 of the model, the first 2 for subject " +
                                   middle + ", item 2"),
                  std::string::npos)
            << messages[0];
        EXPECT_NE(messages[0].find("from subject " + last + ", item 3 on"), std::string::npos) << messages[0];
        EXPECT_EQ(messages[1], messages[0]);
        EXPECT_EQ(messages[2], messages[0]);
    }
}

// Long lists name ten items and count the rest; counts are grouped.
TEST(FitWarningTextTest, ListsAndCounts)
{
    InputNotes notes;
    notes.files.push_back({FileRole::CIndices, "c.dat", 12, 12, 0, false, false});
    for (int item = 1; item <= 12; ++item)
        notes.cOutside.push_back(item);
    notes.files.push_back({FileRole::Scores, "x.dat", 12000000, 12000000, 0, false, false});
    notes.items = 12;
    notes.codes = {0, 1, 1234567, 1000000 * 12 + 4, 9};
    const std::vector<FitWarning> warnings = DescribeInputNotes(notes);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].message.find("items 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 and 2 more in \"c.dat\""),
              std::string::npos)
        << warnings[0].message;
    EXPECT_NE(warnings[1].message.find("holds 1,234,567 scores outside the codes 0 to 1 of the model, the first 9 "
                                       "for subject 1,000,001, item 5; they are added"),
              std::string::npos)
        << warnings[1].message;
}
