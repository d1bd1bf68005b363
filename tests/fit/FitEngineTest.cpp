#include "tests/fit/EngineFixture.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

#include "input/ShippedFiles.h"
#include "tests/EveryVectorPath.h"

namespace {

std::set<std::string> filesHere()
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        names.insert(entry.path().filename().string());
    return names;
}

class BinaryEngineTest : public EngineTest {
protected:
    // The four-subject example: two items of difficulty 0, nodes at -1 and 1.
    FitRequest fourSubjects(int metric)
    {
        write("b.dat", "0 0\n");
        write("scores.dat", "0 0\n1 0\n0 1\n1 1\n");
        write("nodes.dat", "-1 0.5\n1 0.5\n");
        FitRequest r;
        r.subjectCount = 4;
        r.itemCount = 2;
        r.difficultyFile = "b.dat";
        r.scoreFile = "scores.dat";
        r.latentFile = "nodes.dat";
        r.nodeCount = 2;
        r.metric = metric;
        r.discriminationConstant = 1;
        r.parameterCount = 1;
        return r;
    }
};

TEST_F(BinaryEngineTest, FourSubjectsInBothMetrics)
{
    ASSERT_EQ(FitBinaryModel(fourSubjects(1)), kFitSuccess);
    EXPECT_EQ(read("OUT"),
              "WIN TALVER OUTPUT\n\nChi-square     0.1911\n\n"
              "Score   Observed   Expected\n       frequence  frequence\n\n"
              "    0          1     1.2136 \n"
              "    1          2     1.5729 \n"
              "    2          1     1.2136 \n");

    ASSERT_EQ(FitBinaryModel(fourSubjects(0)), kFitSuccess);
    const GraphReport normal = ReadGraphReport();
    ASSERT_TRUE(normal.complete);
    EXPECT_EQ(observed(normal), (std::vector<int>{1, 2, 1}));
    expectNear(expected(normal), {1.4783, 1.0434, 1.4783}, 5e-5);
    EXPECT_EQ(normal.chiSquare, 1.1865f);
}

TEST_F(BinaryEngineTest, OpensOnlyTheFilesItNeedsInOrder)
{
    FitRequest r = fourSubjects(1);
    r.discriminationFile = "missing-a";  // unread with one parameter
    r.cFile = "missing-c";
    EXPECT_EQ(FitBinaryModel(r), kFitSuccess);

    r.parameterCount = 2;  // the C file is still not read
    write("a.dat", "1 1");
    r.discriminationFile = "a.dat";
    EXPECT_EQ(FitBinaryModel(r), kFitSuccess);

    struct {
        int parameterCount;
        std::string FitRequest::*file;
        FitResult result;
    } const cases[] = {
        {2, &FitRequest::discriminationFile, kDiscriminationFileError},
        {3, &FitRequest::difficultyFile, kDifficultyFileError},
        {3, &FitRequest::cFile, kCFileError},
        {3, &FitRequest::scoreFile, kScoreFileError},
        {3, &FitRequest::latentFile, kLatentFileError},
    };
    write("c.dat", "0 0");
    write("OUT", "earlier");
    // Neither a folder nor a pipe is a file one can read; a pipe with no
    // writer must not hang the run.
    std::filesystem::create_directory("folder");
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    for (const char* unreadable : {"no/such/file", "folder", "pipe"}) {
        for (const auto& c : cases) {
            FitRequest failing = fourSubjects(1);
            failing.parameterCount = c.parameterCount;
            failing.discriminationFile = "a.dat";
            failing.cFile = "c.dat";
            failing.*c.file = unreadable;
            EXPECT_EQ(FitBinaryModel(failing), c.result) << unreadable;
            EXPECT_EQ(read("OUT"), "earlier");  // reports untouched
        }
    }
}

// A value that reads as infinite never reaches a report: the run stops
// with a result naming the file, and finite inputs whose results overflow
// stop with one of their own.
TEST_F(BinaryEngineTest, NumbersBeyondRangeAreRefused)
{
    struct Case {
        const char* file;
        const char* content;
        int parameterCount;
        double constant;
        int useEstimates;
        FitResult result;
    };
    const Case cases[] = {
        {"a.dat", "1e39 1", 3, 0, 0, kDiscriminationValueError},
        {"a.dat", "1 1", 1, 1e300, 0, kDiscriminationValueError},
        {"b.dat", "0 -1e39", 3, 0, 0, kDifficultyValueError},
        {"c.dat", "1e39 0", 3, 0, 0, kCValueError},
        {"nodes.dat", "-1 1e39 1 .5", 3, 0, 0, kLatentValueError},
        {"nodes.dat", "-1e39 0", 3, 0, 1, kLatentValueError},
        // Chances of about 1e-160 per item: the expected frequency of the
        // top score is 4e-320, and one subject there makes the chi-square
        // overflow.
        {"b.dat", "368.4 368.4", 3, 0, 0, kResultOutOfRange},
        // Weights within single precision, frequencies beyond it.
        {"nodes.dat", "-1 -3e38 1 .5", 3, 0, 0, kResultOutOfRange},
    };
    write("OUT", "earlier");
    for (const Case& c : cases) {
        FitRequest r = fourSubjects(1);
        write("a.dat", "1 1");
        write("c.dat", "0 0");
        write("nodes.dat", c.file == std::string("b.dat") ? "0 1" : "-1 0.5\n1 0.5\n");
        r.discriminationFile = "a.dat";
        r.cFile = "c.dat";
        r.parameterCount = c.parameterCount;
        r.discriminationConstant = c.constant;
        if (c.useEstimates) {
            r.useEstimates = 1;
            r.nodeCount = r.subjectCount;
        }
        write(c.file, c.content);
        EXPECT_EQ(FitBinaryModel(r), c.result) << c.file << ": " << c.content;
        EXPECT_EQ(read("OUT"), "earlier");
    }
}

// Nodes past the end of a nodes file weigh nothing, and subjects past the
// end of the scores all score 0: counted at once, the reports are the same
// bit for bit as with the values written out.
TEST_F(BinaryEngineTest, WorkFollowsWhatTheFilesHold)
{
    FitRequest r = fourSubjects(1);
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    const std::string report = read("OUT"), graph = read("OUTG");
    r.nodeCount = 2147483647;  // storage for that many would not fit
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    EXPECT_EQ(read("OUT"), report);
    EXPECT_EQ(read("OUTG"), graph);

    r = fourSubjects(1);
    r.subjectCount = 1000000;
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    const std::string shortScores = read("OUT") + read("OUTG");
    std::string zeros;
    for (int j = 4; j < 1000000; ++j)
        zeros += "0 0\n";
    write("scores.dat", read("scores.dat") + zeros);
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    EXPECT_EQ(read("OUT") + read("OUTG"), shortScores);

    // Estimates past the end are 0, each of weight 1/N: their sum is taken
    // at once, the same to the last printed decimal.
    r = fourSubjects(1);
    r.subjectCount = r.nodeCount = 1000;
    r.useEstimates = 1;
    write("theta.dat", "-1.5 0.25 2");
    r.latentFile = "theta.dat";
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    const std::string shortEstimates = read("OUT") + read("OUTG");
    std::string estimates = "-1.5 0.25 2";
    for (int q = 3; q < 1000; ++q)
        estimates += " 0";
    write("theta.dat", estimates);
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    EXPECT_EQ(read("OUT") + read("OUTG"), shortEstimates);
}

// A run that cannot write its reports leaves the earlier ones as they were,
// and no half-written file behind.
TEST_F(BinaryEngineTest, ReportsThatCannotBeWrittenLeaveTheEarlierOnes)
{
    write("OUT", "earlier");
    std::filesystem::create_directory("OUTG");
    EXPECT_EQ(FitBinaryModel(fourSubjects(1)), kReportFileError);
    EXPECT_EQ(read("OUT"), "earlier");
    EXPECT_TRUE(std::filesystem::is_empty("OUTG"));
    std::filesystem::remove("OUTG");
    EXPECT_EQ(filesHere(), (std::set<std::string>{"OUT", "b.dat", "nodes.dat", "scores.dat"}));

    // A full disk: nothing of the run replaces the reports.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{64, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const FitResult result = FitBinaryModel(fourSubjects(1));
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(result, kReportFileError);
    EXPECT_EQ(read("OUT"), "earlier");
    EXPECT_EQ(filesHere(), (std::set<std::string>{"OUT", "b.dat", "nodes.dat", "scores.dat"}));
}

// Runs side by side in one folder: whichever finishes last leaves both its
// reports, whole, and nothing else is left behind.
TEST_F(BinaryEngineTest, RunsInOneFolderLeaveTheReportsOfOne)
{
    FitRequest binary = fourSubjects(1);
    write("grm-b.dat", "-1 0 1 -0.5 0.5 1.5");
    write("grm-scores.dat", "1 2 3\n3 3 1\n2 2 2\n");
    FitRequest graded = binary;
    graded.itemCount = 3;
    graded.categoryCount = 3;
    graded.subjectCount = 3;
    graded.difficultyFile = "grm-b.dat";
    graded.scoreFile = "grm-scores.dat";
    for (int round = 0; round < 100; ++round) {
        ScoreTable tables[4];
        FitResult results[4];
        std::vector<std::thread> runs;
        for (int k = 0; k < 4; ++k)
            runs.emplace_back([&, k] {
                results[k] = k % 2 ? FitGradedModel(graded, &tables[k]) : FitBinaryModel(binary, &tables[k]);
            });
        for (std::thread& run : runs)
            run.join();
        for (const FitResult result : results)
            ASSERT_EQ(result, kFitSuccess);
        const std::string out = read("OUT"), outg = read("OUTG");
        const bool fromBinary = out == FormatFitReport(tables[0]);
        ASSERT_TRUE(fromBinary || out == FormatFitReport(tables[1])) << "round " << round;
        ASSERT_EQ(outg, FormatGraphReport(tables[fromBinary ? 0 : 1])) << "round " << round;
        ASSERT_EQ(filesHere().size(), 7u);
    }
}

// A run that cannot have the folder to itself in time gives up; a lock
// file left behind, or held by a run that was killed, does not stop the
// next one.
TEST_F(BinaryEngineTest, ALockInTheFolder)
{
    write("OUT", "earlier");
    write("OUT.lock", "");
    EXPECT_EQ(FitBinaryModel(fourSubjects(1)), kFitSuccess);
    EXPECT_FALSE(exists("OUT.lock"));

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = open("OUT.lock", O_RDWR | O_CREAT, 0644);
        flock(fd, LOCK_EX);
        (void)!::write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    write("OUT", "earlier");
    EXPECT_EQ(FitBinaryModel(fourSubjects(1)), kReportFileError);  // waits for it, then gives up
    EXPECT_EQ(read("OUT"), "earlier");

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FitBinaryModel(fourSubjects(1)), kFitSuccess);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_NE(read("OUT"), "earlier");
    EXPECT_FALSE(exists("OUT.lock"));
}

TEST_F(BinaryEngineTest, ShippedNodesFilesAreAStandardNormal)
{
    for (const char* nodes : {kNodes20File, kNodes51File}) {
        write("b.dat", "0");
        write("scores.dat", "0 1 0 1");
        FitRequest r;
        r.subjectCount = 4;
        r.itemCount = 1;
        r.difficultyFile = "b.dat";
        r.scoreFile = "scores.dat";
        r.latentFile = LocateShippedFile(nodes);
        r.nodeCount = std::string(nodes) == kNodes20File ? 20 : 51;
        r.discriminationConstant = 1.3;
        r.parameterCount = 1;
        ScoreTable table;
        ASSERT_EQ(FitBinaryModel(r, &table), kFitSuccess) << nodes;
        // Symmetric nodes; weights held in single precision sum to 1 within 1e-7.
        EXPECT_NEAR(table.expected[0], table.expected[1], 1e-12) << nodes;
        EXPECT_NEAR(table.expected[0], 2.0, 1e-6) << nodes;
        EXPECT_NEAR(table.chiSquare, 0.0, 1e-6) << nodes;
    }
}

// A large run gives the same figures, bit for bit, on one thread and on
// several and on every vector path: scores counted in parts, nodes summed
// in their order. Score
// files that end inside a subject, or are not plain decimals, too.
TEST_F(BinaryEngineTest, ReportsDoNotDependOnTheThreadCount)
{
    const int items = 100, subjects = 60000;  // 12 MB of scores
    std::string scores;
    scores.reserve(static_cast<std::size_t>(2 * items * subjects));
    unsigned state = 12345;
    for (int j = 0; j < subjects; ++j)
        for (int i = 0; i < items; ++i) {
            state = state * 1103515245u + 12345u;
            scores += (state >> 16) % 100 < static_cast<unsigned>(30 + i / 2 + j % 20) ? '1' : '0';
            scores += i + 1 == items ? '\n' : ' ';
        }
    std::string difficulties, estimates;
    for (int i = 0; i < items; ++i)
        difficulties += std::to_string((i % 41 - 20) / 10.0) + " ";
    for (int q = 0; q < 3000; ++q)
        estimates += std::to_string((q % 601 - 300) / 100.0) + "\n";
    write("b.dat", difficulties);
    write("theta.dat", estimates);
    FitRequest r;
    r.subjectCount = subjects + 7;  // the file ends before the last subjects
    r.itemCount = items;
    r.difficultyFile = "b.dat";
    r.scoreFile = "scores.dat";
    r.latentFile = "theta.dat";
    r.nodeCount = 3000;
    r.discriminationConstant = 1.1;
    r.parameterCount = 1;

    std::string twoDigits = scores;  // some numbers of two digits among the single ones
    for (std::size_t at = 0; at + 3 < twoDigits.size(); at += 1402)
        twoDigits.replace(at, 1, "12");
    std::string crlf;  // Windows line ends
    for (const char c : scores)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string variants[] = {
        scores,
        twoDigits,
        crlf,
        scores.substr(0, scores.size() - 51),     // ends inside the last subject
        scores.substr(0, scores.size() / 2) + "01 " + scores.substr(scores.size() / 2 + 3),  // an octal number
    };
    const auto bits = [](const ScoreTable& table) {
        std::vector<double> values = table.observed;
        values.insert(values.end(), table.expected.begin(), table.expected.end());
        values.push_back(table.chiSquare);
        std::string bytes(values.size() * sizeof(double), '\0');
        std::memcpy(bytes.data(), values.data(), bytes.size());
        return bytes;
    };
    std::vector<std::string> oneThread;
    for (const std::string& variant : variants) {
        write("scores.dat", variant);
        std::string first;
        OnEveryVectorPath([&](VectorPath path) {
            for (int threads = 1; threads <= 4; threads += path == VectorPath::Baseline ? 1 : 2) {
                RunRequest asked;
                asked.fit = r;
                asked.threads = threads;
                RunOutcome outcome;
                ASSERT_EQ(FitBinaryModel(asked, outcome), kFitSuccess);
                if (first.empty())
                    first = bits(outcome.table);
                else
                    EXPECT_EQ(bits(outcome.table), first) << threads << " threads";
            }
        });
        oneThread.push_back(first);
    }
    EXPECT_EQ(oneThread[2], oneThread[0]) << "line ends changed the counts";
}

TEST_F(BinaryEngineTest, ScoresAndNodesAsTheyCome)
{
    FitRequest r = fourSubjects(1);
    // A 9 for a missing answer takes its subject out of every row;
    // a short file leaves the last subject at 0.
    write("scores.dat", "0 9\n1 0\n1 1\n1");
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    EXPECT_EQ(observed(ReadGraphReport()), (std::vector<int>{0, 2, 1}));

    // Weights are never normalised.
    write("nodes.dat", "-1 1\n1 1\n");
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    expectNear(expected(ReadGraphReport()), {2 * 1.2136, 2 * 1.5729, 2 * 1.2136}, 2e-4);

    // An empty nodes file: every expected frequency 0, chi-square 0.
    write("nodes.dat", "");
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    const GraphReport empty = ReadGraphReport();
    expectNear(expected(empty), {0, 0, 0}, 0);
    EXPECT_EQ(empty.chiSquare, 0.0f);
}

TEST_F(BinaryEngineTest, EstimatesWeighEverySubjectAlike)
{
    FitRequest r = fourSubjects(1);
    write("estimates.dat", "-1 1 -1 1 99 99");  // the last two are never read
    r.latentFile = "estimates.dat";
    r.useEstimates = 1;
    r.nodeCount = 4;
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    expectNear(expected(ReadGraphReport()), {1.2136, 1.5729, 1.2136}, 1e-4);

    // Missing-value codes as estimates: certainly right, certainly wrong.
    write("estimates.dat", "-1 1 999 -999");
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    const GraphReport report = ReadGraphReport();
    ASSERT_TRUE(report.complete);
    expectNear(expected(report), {1.2136 / 2 + 1, 1.5729 / 2, 1.2136 / 2 + 1}, 1e-4);
    EXPECT_TRUE(std::isfinite(report.chiSquare));
}

TEST_F(BinaryEngineTest, ThreeParametersWithCertainItem)
{
    FitRequest r = fourSubjects(1);
    r.parameterCount = 3;
    write("a.dat", "1 1");
    write("c.dat", "1 0");  // the first item is always right
    r.discriminationFile = "a.dat";
    r.cFile = "c.dat";
    ASSERT_EQ(FitBinaryModel(r), kFitSuccess);
    // Score 0 is impossible; the second item alone spreads over 1 and 2.
    const double p1 = 1 / (1 + std::exp(1.0)), p2 = 1 / (1 + std::exp(-1.0));
    expectNear(expected(ReadGraphReport()), {0, 2 * (1 - p1) + 2 * (1 - p2), 2 * p1 + 2 * p2}, 1e-4);
}

}  // namespace
