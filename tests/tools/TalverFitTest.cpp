#include "tools/BatchOptions.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/Analysis.h"
#include "fit/FitEngine.h"
#include "kernels/VectorPath.h"
#include "tests/TempDirectory.h"

namespace {

BatchOptions parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "talver-fit");
    return ParseBatchOptions(static_cast<int>(args.size()), args.data());
}

TEST(BatchOptionsTest, FillsTheRequestAsTheRunDriversDo)
{
    const BatchOptions onePl = parse({"--model", "1pl", "--subjects", "250", "--items", "20",
                                      "--discrimination-constant", "1.5", "--difficulty", "b.dat",
                                      "--scores", "x.dat", "--estimates", "theta.dat"});
    ASSERT_EQ(onePl.error, "");
    EXPECT_EQ(onePl.request.parameterCount, 1);
    EXPECT_EQ(onePl.request.discriminationConstant, 1.5);
    EXPECT_EQ(onePl.request.latentFile, "theta.dat");
    EXPECT_EQ(onePl.request.nodeCount, 250);
    EXPECT_EQ(onePl.request.useEstimates, 1);
    EXPECT_EQ(onePl.request.metric, 0);

    const BatchOptions threePl = parse({"--model=3pl", "--subjects=10", "--items=5", "--discrimination=a.dat",
                                        "--difficulty=b.dat", "--c-indices=c.dat", "--scores=x.dat",
                                        "--nodes51", "--metric=logistic"});
    ASSERT_EQ(threePl.error, "");
    EXPECT_EQ(threePl.request.parameterCount, 3);
    EXPECT_EQ(threePl.request.cFile, "c.dat");
    // The shipped file, beside this program when the working directory has none.
    EXPECT_EQ(std::filesystem::path(threePl.request.latentFile).filename(), "nodes51.dat");
    EXPECT_TRUE(std::filesystem::is_regular_file(threePl.request.latentFile));
    EXPECT_EQ(threePl.request.nodeCount, 51);
    EXPECT_EQ(threePl.request.metric, 1);

    const BatchOptions grm = parse({"--model", "grm", "--subjects", "10", "--items", "5", "--categories", "4",
                                    "--discrimination", "a.dat", "--difficulty", "t.dat", "--scores", "x.dat",
                                    "--nodes", "n.dat", "--node-count", "7"});
    ASSERT_EQ(grm.error, "");
    EXPECT_EQ(grm.kind, FitModel::Kind::Graded);
    EXPECT_EQ(grm.request.parameterCount, 3);
    EXPECT_EQ(grm.request.categoryCount, 4);
    EXPECT_EQ(grm.request.cFile, "");
    EXPECT_EQ(grm.request.nodeCount, 7);
    EXPECT_EQ(grm.request.useEstimates, 0);

    const BatchOptions pcm = parse({"--model", "pcm", "--subjects", "1000000", "--items", "1", "--categories",
                                    "100", "--discrimination-constant", "-0.5", "--difficulty", "s.dat",
                                    "--scores", "x.dat", "--nodes20"});
    ASSERT_EQ(pcm.error, "");
    EXPECT_EQ(pcm.request.parameterCount, 1);
    EXPECT_EQ(pcm.request.discriminationConstant, -0.5);
    EXPECT_EQ(std::filesystem::path(pcm.request.latentFile).filename(), "nodes20.dat");

    // Seeds are 64 bits, given signed or not.
    const std::vector<const char*> run = {"--model", "1pl", "--discrimination-constant", "1", "--subjects", "10",
                                          "--items", "5", "--difficulty", "b.dat", "--scores", "x.dat", "--nodes20",
                                          "--monte-carlo", "1000", "--seed"};
    const auto seed = [&](const char* text) {
        std::vector<const char*> args = run;
        args.push_back(text);
        const BatchOptions options = parse(args);
        EXPECT_EQ(options.replicates, 1000u) << text << ": " << options.error;
        return options.error.empty() ? std::optional<std::uint64_t>(options.seed) : std::nullopt;
    };
    EXPECT_EQ(seed("-1"), std::optional<std::uint64_t>(UINT64_MAX));
    EXPECT_EQ(seed("18446744073709551615"), std::optional<std::uint64_t>(UINT64_MAX));
    EXPECT_EQ(seed("-9223372036854775808"), std::optional<std::uint64_t>(std::uint64_t{1} << 63));
    EXPECT_EQ(seed("0"), std::optional<std::uint64_t>(0));
    EXPECT_EQ(seed("18446744073709551616"), std::nullopt);
    EXPECT_EQ(seed("-9223372036854775809"), std::nullopt);
}

TEST(BatchOptionsTest, RefusesBadMissingAndContradictoryFlags)
{
    const std::vector<const char*> base = {"--subjects", "10", "--items", "5", "--difficulty", "b.dat",
                                           "--scores", "x.dat"};
    struct {
        std::vector<const char*> extra;
        const char* reason;
    } const cases[] = {
        {{"--model", "4pl", "--nodes20"}, "--model takes"},
        {{"--model", "1pl", "--nodes20"}, "--discrimination-constant is missing"},
        {{"--model", "1pl", "--discrimination-constant", "0", "--nodes20"}, "non-zero"},
        {{"--model", "1pl", "--discrimination-constant", "nan", "--nodes20"}, "non-zero"},
        {{"--model", "1pl", "--discrimination-constant", "1e-50", "--nodes20"}, "single precision"},
        {{"--model", "1pl", "--discrimination-constant", "1e300", "--nodes20"}, "single precision"},
        {{"--model", "1pl", "--discrimination-constant", "1", "--discrimination", "a", "--nodes20"},
         "does not go with"},
        {{"--model", "2pl", "--discrimination", "a", "--c-indices", "c", "--nodes20"}, "does not go with"},
        {{"--model", "2pl", "--discrimination", "a", "--categories", "3", "--nodes20"}, "does not go with"},
        {{"--model", "grm", "--discrimination", "a", "--nodes20"}, "--categories is missing"},
        {{"--model", "pcm", "--discrimination-constant", "1", "--categories", "101", "--nodes20"},
         "from 1 to 100"},
        {{"--model", "2pl", "--discrimination", "a", "--nodes20", "--nodes51"}, "exactly one"},
        {{"--model", "2pl", "--discrimination", "a"}, "exactly one"},
        {{"--model", "2pl", "--discrimination", "a", "--nodes", "n"}, "needs --node-count"},
        {{"--model", "2pl", "--discrimination", "a", "--nodes", "n", "--node-count", "0"}, "from 1"},
        {{"--model", "2pl", "--discrimination", "a", "--nodes20", "--node-count", "20"}, "only with --nodes"},
        {{"--model", "2pl", "--discrimination", "a", "--nodes20", "--metric", "probit"}, "--metric takes"},
        {{"--model", "2pl", "--discrimination", "a", "--nodes20", "--model", "2pl"}, "given twice"},
        {{"--model", "2pl", "--discrimination", "a", "--nodes20", "--verbose"}, "unknown argument"},
        {{"--model", "2pl", "--discrimination", "a", "--nodes20", "--nodes20=x"}, "unknown argument"},
        {{"--model", "2pl", "--discrimination"}, "needs a value"},
    };
    for (const auto& c : cases) {
        std::vector<const char*> args = base;
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const std::string error = parse(args).error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    // Every flag a run cannot do without.
    const std::vector<const char*> complete = {"--model", "3pl", "--subjects", "10", "--items", "5",
                                               "--discrimination", "a", "--difficulty", "b", "--c-indices", "c",
                                               "--scores", "x", "--nodes20"};
    for (const char* required : {"--model", "--subjects", "--items", "--discrimination", "--difficulty",
                                 "--c-indices", "--scores"}) {
        std::vector<const char*> args;
        for (std::size_t i = 0; i < complete.size(); ++i) {
            if (complete[i] == std::string(required))
                ++i;  // the flag and its value
            else
                args.push_back(complete[i]);
        }
        EXPECT_EQ(parse(args).error.rfind(std::string(required) + " is missing", 0), 0u) << parse(args).error;
    }
    for (const char* subjects : {"0", "2147483648", "-5", "12x", "", "99999999999999999999"})
        EXPECT_NE(parse({"--model", "2pl", "--subjects", subjects, "--items", "5", "--discrimination", "a",
                         "--difficulty", "b", "--scores", "x", "--nodes20"})
                      .error.find("--subjects takes"),
                  std::string::npos)
            << subjects;
}

// The program itself, run in a temporary directory.
class TalverFitTest : public InTempDirectory {
protected:
    // environment: assignments such as "TALVER_VECTORS=avx2", or empty.
    int run(const std::string& arguments, const std::string& environment = "")
    {
        const int status = std::system((environment + " " + TALVER_FIT_PATH + " " + arguments +
                                        " >stdout.txt 2>stderr.txt").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void writeFourSubjects()
    {
        write("b.dat", "0 0");
        write("x.dat", "0 0 1 0 0 1 1 1");
        write("n.dat", "-1 .5 1 .5");
    }
    const std::string fourSubjects =
        "--model 1pl --subjects 4 --items 2 --discrimination-constant 1 --difficulty b.dat "
        "--scores x.dat --nodes n.dat --node-count 2";

    // A 2PL test of a discrimination 1 drawn under the model, so that every
    // total is plausible: a.dat, b.dat, e.dat (the estimates, all distinct)
    // and x.dat; the arguments that run it.
    std::vector<std::string> writeBinaryTest(int items, int subjects)
    {
        std::ostringstream a, b, estimates, scores;
        unsigned state = 99;
        const auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16 & 0x7fff; };
        std::vector<double> difficulty;
        for (int i = 0; i < items; ++i) {
            difficulty.push_back((static_cast<int>(next() % 400) - 200) / 100.0);
            a << "1\n";
            b << difficulty.back() << '\n';
        }
        for (int j = 0; j < subjects; ++j) {
            const double theta = (static_cast<int>(next() % 6000) - 3000) / 1000.0;
            estimates << theta << '\n';
            for (int i = 0; i < items; ++i) {
                const double p = 1.0 / (1.0 + std::exp(-1.702 * (theta - difficulty[static_cast<std::size_t>(i)])));
                scores << (next() / 32768.0 < p) << (i + 1 < items ? ' ' : '\n');
            }
        }
        write("a.dat", a.str());
        write("b.dat", b.str());
        write("e.dat", estimates.str());
        write("x.dat", scores.str());
        return {"--model", "2pl", "--subjects", std::to_string(subjects), "--items", std::to_string(items),
                "--discrimination", "a.dat", "--difficulty", "b.dat", "--scores", "x.dat", "--estimates", "e.dat"};
    }

    // Runs talver-fit in a process of its own, on threads threads and in at
    // most megabytes of address space (0: no limit), its output in
    // stdout.txt and stderr.txt; its status and its peak memory in kB.
    static std::pair<int, long> runLimited(const std::vector<std::string>& arguments, const char* threads,
                                           int megabytes = 0)
    {
        std::vector<char*> argv{const_cast<char*>(TALVER_FIT_PATH)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            if (megabytes > 0) {
                const rlimit limit{static_cast<rlim_t>(megabytes) << 20, static_cast<rlim_t>(megabytes) << 20};
                setrlimit(RLIMIT_AS, &limit);
            }
            setenv("TALVER_THREADS", threads, 1);
            if (!std::freopen("stdout.txt", "w", stdout) || !std::freopen("stderr.txt", "w", stderr))
                _exit(126);
            execv(TALVER_FIT_PATH, argv.data());
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        return {status, usage.ru_maxrss};
    }
};

TEST_F(TalverFitTest, ReproducesTheFourSubjectExample)
{
    writeFourSubjects();
    ASSERT_EQ(run(fourSubjects + " --metric logistic"), 0);
    EXPECT_EQ(read("stdout.txt").rfind("Chi-square over every score         0.1911\n", 0), 0u);
    EXPECT_NE(read("OUT").find("Chi-square     0.1911"), std::string::npos);
    EXPECT_EQ(read("OUTG").rfind("    3\n    0          1  0.48387098     1.2136  0.58720273 \n", 0), 0u);

    ASSERT_EQ(run(fourSubjects), 0);
    EXPECT_NE(read("OUT").find("Chi-square     1.1865"), std::string::npos);
    EXPECT_NE(read("OUT").find("    1          2     1.0434 \n"), std::string::npos);
    // Four subjects expect fewer than 5 in all: one cell, no test.
    EXPECT_NE(read("stdout.txt").find("Pooled chi-square: fewer than two cells expect at least 5 subjects: no test"),
              std::string::npos);
}

TEST_F(TalverFitTest, FailuresNameTheFileAndExitWithTheResult)
{
    writeFourSubjects();
    EXPECT_EQ(run(fourSubjects + " --metric logistic --scores missing.dat"), 64);  // given twice
    EXPECT_FALSE(std::filesystem::exists("OUT"));
    EXPECT_NE(read("stderr.txt").find("usage: talver-fit"), std::string::npos);

    std::filesystem::rename("x.dat", "scores with blanks.dat");
    EXPECT_EQ(run("--model 1pl --subjects 4 --items 2 --discrimination-constant 1 --difficulty b.dat "
                  "--scores 'scores with blanks.dat' --nodes missing.dat --node-count 2"),
              5);
    EXPECT_EQ(read("stderr.txt"), "talver-fit: Cannot open the latent distribution file \"missing.dat\" in " +
                                      directory_.string() + ".\n");
    EXPECT_EQ(read("stdout.txt"), "");
    EXPECT_FALSE(std::filesystem::exists("OUT"));

    // No nodes20.dat here: the one that ships with the program is read.
    EXPECT_EQ(run("--model 1pl --subjects 4 --items 2 --discrimination-constant 1 --difficulty b.dat "
                  "--scores 'scores with blanks.dat' --nodes20"),
              0);
    EXPECT_NE(read("stdout.txt").find("Chi-square "), std::string::npos);

    std::filesystem::remove("OUTG");
    std::filesystem::create_directory("OUTG");
    EXPECT_EQ(run("--model 1pl --subjects 4 --items 2 --discrimination-constant 1 --difficulty b.dat "
                  "--scores 'scores with blanks.dat' --nodes n.dat --node-count 2"),
              6);
    EXPECT_EQ(read("stderr.txt"),
              "talver-fit: Cannot write the report files OUT and OUTG in " + directory_.string() + ".\n");

    EXPECT_EQ(run("--help"), 0);
    EXPECT_NE(read("stdout.txt").find("--discrimination-constant"), std::string::npos);
}

// Every model through the batch runner gives the reports of the request the
// application would build for the same run.
TEST_F(TalverFitTest, EveryModelMatchesTheEngineOnTheExamples)
{
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(TALVER_EXAMPLES_DIR))
        if (entry.path().extension() == ".dat")
            fs::copy_file(entry.path(), entry.path().filename());
    const auto request = [](int n, int m, int k, const char* a, const char* b, const char* c, const char* x,
                            const char* latent, int q, int metric, double constant, int parameters, int estimates) {
        return FitRequest{n, m, k, a, b, c, x, latent, q, metric, constant, parameters, estimates};
    };
    struct Case {
        std::string arguments;
        FitResult (*engine)(const FitRequest&, ScoreTable*, FitWarnings*);
        FitRequest request;
    };
    const Case cases[] = {
        {"--model 1pl --subjects 1000 --items 20 --discrimination-constant 1.1 --difficulty 1pl-difficulty.dat "
         "--scores 1pl-scores.dat --estimates 1pl-estimates.dat",
         FitBinaryModel,
         request(1000, 20, 0, "", "1pl-difficulty.dat", "", "1pl-scores.dat", "1pl-estimates.dat", 1000, 0, 1.1, 1, 1)},
        {"--model 2pl --subjects 1000 --items 20 --discrimination 2pl-discrimination.dat --difficulty "
         "2pl-difficulty.dat --scores 2pl-scores.dat --nodes20 --metric logistic",
         FitBinaryModel,
         request(1000, 20, 0, "2pl-discrimination.dat", "2pl-difficulty.dat", "", "2pl-scores.dat", "nodes20.dat",
                 20, 1, 0, 2, 0)},
        {"--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat --difficulty "
         "3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat --nodes51",
         FitBinaryModel,
         request(1000, 20, 0, "3pl-discrimination.dat", "3pl-difficulty.dat", "3pl-c.dat", "3pl-scores.dat",
                 "nodes51.dat", 51, 0, 0, 3, 0)},
        {"--model grm --subjects 1000 --items 10 --categories 4 --discrimination grm-discrimination.dat "
         "--difficulty grm-thresholds.dat --scores grm-scores.dat --nodes nodes20.dat --node-count 20",
         FitGradedModel,
         request(1000, 10, 4, "grm-discrimination.dat", "grm-thresholds.dat", "", "grm-scores.dat", "nodes20.dat",
                 20, 0, 0, 3, 0)},
        {"--model pcm --subjects 1000 --items 10 --categories 4 --discrimination-constant 0.9 --difficulty "
         "pcm-steps.dat --scores pcm-scores.dat --estimates pcm-estimates.dat",
         FitPartialCreditModel,
         request(1000, 10, 4, "", "pcm-steps.dat", "", "pcm-scores.dat", "pcm-estimates.dat", 1000, 0, 0.9, 1, 1)},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(run(c.arguments), 0) << c.arguments;
        const std::string report = read("OUT"), graph = read("OUTG");
        // The summary opens with the reports' chi-square.
        const auto after = [](const std::string& text, const std::string& label) {
            return std::stod(text.substr(text.find(label) + label.size()));
        };
        EXPECT_EQ(after(read("stdout.txt"), "Chi-square over every score"), after(report, "Chi-square"));
        ASSERT_EQ(c.engine(c.request, nullptr, nullptr), kFitSuccess);
        EXPECT_EQ(read("OUT"), report) << c.arguments;
        EXPECT_EQ(read("OUTG"), graph) << c.arguments;
        EXPECT_NE(report.find("Chi-square "), std::string::npos);
    }
}

// Each failure leaves its message and its exit status, and no report.
TEST_F(TalverFitTest, EveryFailureHasItsMessage)
{
    writeFourSubjects();
    write("inf.dat", "1e39 1e39");
    write("a.dat", "1 1");
    write("c.dat", "0 0");
    const std::string binary = "--model 3pl --subjects 4 --items 2 --nodes n.dat --node-count 2 ";
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const std::string here = directory_.string();
    const auto cannotOpen = [&](const char* what) {
        return "Cannot open the " + std::string(what) + " file \"no.dat\" in " + here + ".";
    };
    const auto beyond = [](const char* what) {
        return "The " + std::string(what) + " file \"inf.dat\" holds a value beyond the range of single precision";
    };
    const Case cases[] = {
        {binary + "--discrimination no.dat --difficulty b.dat --c-indices c.dat --scores x.dat", 1,
         cannotOpen("discrimination")},
        {binary + "--discrimination a.dat --difficulty no.dat --c-indices c.dat --scores x.dat", 2,
         cannotOpen("difficulty")},
        {binary + "--discrimination a.dat --difficulty b.dat --c-indices no.dat --scores x.dat", 3, cannotOpen("C indices")},
        {binary + "--discrimination a.dat --difficulty b.dat --c-indices c.dat --scores no.dat", 4,
         cannotOpen("scores")},
        {"--model 2pl --subjects 4 --items 2 --discrimination a.dat --difficulty b.dat --scores x.dat "
         "--estimates no.dat",
         5, cannotOpen("ability estimates")},
        {binary + "--discrimination inf.dat --difficulty b.dat --c-indices c.dat --scores x.dat", 8,
         beyond("discrimination")},
        {binary + "--discrimination a.dat --difficulty inf.dat --c-indices c.dat --scores x.dat", 9,
         beyond("difficulty")},
        {binary + "--discrimination a.dat --difficulty b.dat --c-indices inf.dat --scores x.dat", 10,
         beyond("C indices")},
        {"--model 2pl --subjects 4 --items 2 --discrimination a.dat --difficulty b.dat --scores x.dat "
         "--nodes inf.dat --node-count 1",
         12, beyond("latent distribution")},
        {"--model 1pl --subjects 4 --items 2 --discrimination-constant 1 --difficulty b.dat --scores x.dat "
         "--nodes n.dat --node-count 2 --metric=probit",
         64, "--metric takes normal or logistic, not 'probit'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.arguments), c.status) << c.arguments;
        EXPECT_EQ(read("stderr.txt").rfind("talver-fit: " + c.message, 0), 0u) << read("stderr.txt");
        EXPECT_EQ(read("stdout.txt"), "");
        EXPECT_FALSE(std::filesystem::exists("OUT"));
    }
}

// Every vector path the processor has gives the same reports and summary,
// byte for byte; one it lacks is refused before anything is read or written.
TEST_F(TalverFitTest, EveryVectorPathTheSameAndOthersRefused)
{
    namespace fs = std::filesystem;
    for (const char* name : {"3pl-discrimination.dat", "3pl-difficulty.dat", "3pl-c.dat", "3pl-scores.dat",
                             "3pl-estimates.dat"})
        fs::copy_file(fs::path(TALVER_EXAMPLES_DIR) / name, name);
    const std::string run3pl = "--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat "
                               "--difficulty 3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat "
                               "--estimates 3pl-estimates.dat --item-fit --pairs --format json";
    const std::vector<VectorPath> here = AvailableVectorPaths();
    ASSERT_EQ(run("--version"), 0);
    EXPECT_EQ(read("stdout.txt"),
              std::string("talver-fit ") + TALVER_VERSION + "\nvector path: " + VectorPathName(here.back()) + "\n");

    std::optional<std::string> summary, out, outg;
    for (const VectorPath path : {VectorPath::Baseline, VectorPath::Avx2, VectorPath::Avx512}) {
        const std::string name = VectorPathName(path), chosen = "TALVER_VECTORS=" + name;
        fs::remove("OUT");
        if (std::find(here.begin(), here.end(), path) == here.end()) {
            EXPECT_EQ(run(run3pl, chosen), 64) << name;
            const std::string line = read("stderr.txt");
            EXPECT_EQ(line.rfind("talver-fit: " + chosen + ": this ", 0), 0u) << line;
            EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
            EXPECT_FALSE(fs::exists("OUT"));
            continue;
        }
        ASSERT_EQ(run("--version", chosen), 0) << name;
        EXPECT_NE(read("stdout.txt").find("vector path: " + name + "\n"), std::string::npos);
        ASSERT_EQ(run(run3pl, chosen + " TALVER_THREADS=" + std::to_string(1 + out.has_value())), 0) << name;
        if (!out) {
            summary = read("stdout.txt"), out = read("OUT"), outg = read("OUTG");
            continue;
        }
        EXPECT_EQ(read("stdout.txt"), *summary) << name;
        EXPECT_EQ(read("OUT"), *out) << name;
        EXPECT_EQ(read("OUTG"), *outg) << name;
    }
    EXPECT_EQ(run(run3pl, "TALVER_VECTORS=sse4"), 64);
    EXPECT_EQ(read("stderr.txt"),
              "talver-fit: TALVER_VECTORS=sse4: not a vector path (baseline, avx2 or avx512)\n");
}

// The summary for scripts, and the chart, after a run; nothing with --quiet.
TEST_F(TalverFitTest, SummaryFormatsAndChart)
{
    namespace fs = std::filesystem;
    for (const char* name : {"3pl-discrimination.dat", "3pl-difficulty.dat", "3pl-c.dat", "3pl-scores.dat"})
        fs::copy_file(fs::path(TALVER_EXAMPLES_DIR) / name, name);
    const std::string run3pl = "--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat "
                               "--difficulty 3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat --nodes20 ";

    ASSERT_EQ(run(run3pl + "--format csv --min-expected 10"), 0);
    const std::string csv = read("stdout.txt");
    EXPECT_EQ(csv.rfind("statistic,value,df,p\nchi_square,", 0), 0u);
    EXPECT_NE(csv.find("\n\nscore,observed,expected,contribution,residual,cell\n0,"), std::string::npos);
    ASSERT_EQ(run(run3pl + "--format json --plot chart.svg"), 0);
    const std::string json = read("stdout.txt");
    EXPECT_NE(json.find("\"min_expected\": 5,"), std::string::npos);
    EXPECT_NE(json.find("\"pooled\": {\"chi_square\": "), std::string::npos);
    EXPECT_NE(read("chart.svg").find("viewBox=\"0 0 800 500\""), std::string::npos);

    ASSERT_EQ(run(run3pl + "--quiet --plot Chart.PNG"), 0);
    EXPECT_EQ(read("stdout.txt"), "");
    const std::string png = read("Chart.PNG");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    const auto be32 = [&png](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), 800u);  // the header's width and height
    EXPECT_EQ(be32(20), 500u);

    // A copy of the program without the chart module beside it runs, and
    // says what it lacks only when a chart is asked for.
    fs::copy_file(TALVER_FIT_PATH, "lone-talver-fit");
    fs::copy_file(fs::path(TALVER_EXAMPLES_DIR) / "nodes20.dat", "nodes20.dat");
    const std::string lone = "./lone-talver-fit " + run3pl;
    EXPECT_EQ(std::system((lone + "--quiet >stdout.txt 2>stderr.txt").c_str()), 0);
    EXPECT_NE(std::system((lone + "--plot c.png >stdout.txt 2>stderr.txt").c_str()), 0);
    if (!fs::exists(fs::path(TALVER_MODULE_DIR) / "talver-chart.so")) {
        EXPECT_EQ(read("stderr.txt"), "talver-fit: cannot draw charts: talver-chart.so is missing\n");
    }

    EXPECT_EQ(run(run3pl + "--plot no/such/folder/chart.png"), 73);
    EXPECT_EQ(read("stderr.txt"), "talver-fit: cannot write the chart 'no/such/folder/chart.png'\n");
    for (const char* bad : {"--plot chart.gif", "--format xml", "--quiet --format csv", "--min-expected 0"})
        EXPECT_EQ(run(run3pl + bad), 64) << bad;
}

// A run that fails after the engine (a chart that cannot be written, a
// model that cannot be simulated) leaves the earlier reports byte for byte.
TEST_F(TalverFitTest, AFailedRunLeavesTheEarlierReports)
{
    writeFourSubjects();
    write("OUT", "earlier OUT");
    write("OUTG", "earlier OUTG");
    for (const char* chart : {" --plot no/such/folder/chart.png", " --item-fit --item-plot no/such/items.svg",
                              " --pairs --pairs-plot no/such/pairs.png",
                              " --person-fit --person-plot no/such/persons.png"}) {
        EXPECT_EQ(run(fourSubjects + chart), 73) << chart;
        EXPECT_EQ(read("stdout.txt"), "");
        EXPECT_EQ(read("OUT"), "earlier OUT");
        EXPECT_EQ(read("OUTG"), "earlier OUTG");
    }
    write("n.dat", "-1 -.5 1 1.5");  // a negative weight
    EXPECT_EQ(run(fourSubjects + " --monte-carlo 10"), 75);
    EXPECT_EQ(read("stderr.txt").rfind("talver-fit: Cannot simulate under the model: ", 0), 0u) << read("stderr.txt");
    EXPECT_EQ(read("OUT"), "earlier OUT");
    EXPECT_EQ(read("OUTG"), "earlier OUTG");
}

// However little memory a run is given, from too little to load its
// libraries to enough: a status and one line, never a signal, and the
// earlier reports stay unless it succeeds.
TEST_F(TalverFitTest, MemoryLimitsEndInAStatusNotASignal)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer needs more address space than any limit here";
#endif
    namespace fs = std::filesystem;
    for (const char* name : {"3pl-discrimination.dat", "3pl-difficulty.dat", "3pl-c.dat", "3pl-scores.dat"})
        fs::copy_file(fs::path(TALVER_EXAMPLES_DIR) / name, name);
    // The shipped example with a chart, whose module needs memory too; a
    // test whose statistics and output need more.
    std::vector<std::string> binary = writeBinaryTest(200, 2000);
    binary.insert(binary.end(), {"--item-fit", "--pairs", "--monte-carlo", "5", "--format", "json"});
    const std::pair<std::vector<std::string>, std::vector<int>> runs[] = {
        {{"--model", "3pl", "--subjects", "1000", "--items", "20", "--discrimination", "3pl-discrimination.dat",
          "--difficulty", "3pl-difficulty.dat", "--c-indices", "3pl-c.dat", "--scores", "3pl-scores.dat", "--nodes20",
          "--item-fit", "--pairs", "--monte-carlo", "20", "--format", "json", "--plot", "scores.png"},
         {20, 40, 60, 70, 80, 100}},
        {binary, {8, 12, 14, 16, 18, 20, 22, 24, 28, 32}}};
    std::set<int> seen;
    for (const auto& [arguments, limits] : runs)
        for (const int megabytes : limits) {
            write("OUT", "earlier");
            const int status = runLimited(arguments, "1", megabytes).first;
            ASSERT_TRUE(WIFEXITED(status)) << megabytes << " MB: signal " << WTERMSIG(status);
            const int code = WEXITSTATUS(status);
            if (code == 127)
                continue;  // too little to start at all
            seen.insert(code);
            if (code == 0) {
                EXPECT_NE(read("OUT"), "earlier");
                continue;
            }
            EXPECT_TRUE(code == 7 || code == 73) << megabytes << " MB: " << code;
            const std::string said = read("stderr.txt");
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
            EXPECT_EQ(said.rfind("talver-fit: ", 0), 0u) << said;
            EXPECT_EQ(read("OUT"), "earlier") << megabytes << " MB";
        }
    EXPECT_EQ(seen, (std::set<int>{0, 7, 73}));
}

// What a run holds at its peak does not grow with the thread count: the
// item fit and the pairs of 400 items on 3,000 estimates.
TEST_F(TalverFitTest, PeakMemoryDoesNotGrowWithThreads)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory would be measured too";
#endif
    std::vector<std::string> arguments = writeBinaryTest(400, 3000);
    arguments.insert(arguments.end(), {"--item-fit", "--pairs", "--quiet"});
    const auto peak = [&](const char* threads) {
        const auto [status, kilobytes] = runLimited(arguments, threads);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << threads;
        return static_cast<double>(kilobytes);
    };
    const double one = peak("1");
    for (const char* threads : {"2", "8"}) {
        const double more = peak(threads);
        EXPECT_LE(more, one * 1.1) << threads << " threads against one: " << more << " kB, " << one << " kB";
        EXPECT_GE(more, one * 0.9) << threads << " threads against one: " << more << " kB, " << one << " kB";
    }
}

// Programs started together in one folder: each succeeds, and the reports
// left there are one program's, both of them, byte for byte.
TEST_F(TalverFitTest, RunsSideBySideInOneFolder)
{
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(TALVER_EXAMPLES_DIR))
        if (entry.path().extension() == ".dat")
            fs::copy_file(entry.path(), entry.path().filename());
    const std::string runs[] = {
        "--model 1pl --subjects 1000 --items 20 --discrimination-constant 1 --difficulty 1pl-difficulty.dat "
        "--scores 1pl-scores.dat --nodes20",
        "--model grm --subjects 1000 --items 10 --categories 4 --discrimination grm-discrimination.dat "
        "--difficulty grm-thresholds.dat --scores grm-scores.dat --nodes51",
        "--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat --difficulty "
        "3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat --estimates 3pl-estimates.dat",
    };
    std::vector<std::pair<std::string, std::string>> alone;
    for (const std::string& arguments : runs) {
        ASSERT_EQ(run(arguments), 0);
        alone.emplace_back(read("OUT"), read("OUTG"));
    }
    for (int round = 0; round < 25; ++round) {
        std::vector<pid_t> started;
        for (const std::string& arguments : runs) {
            const std::string command = std::string(TALVER_FIT_PATH) + " --quiet " + arguments;
            const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
            pid_t pid = 0;
            ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
            started.push_back(pid);
        }
        for (const pid_t pid : started) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        const std::pair<std::string, std::string> left{read("OUT"), read("OUTG")};
        EXPECT_NE(std::find(alone.begin(), alone.end(), left), alone.end()) << "round " << round;
    }
}

// Warnings on standard error and in the JSON summary; --strict makes them
// a failure that leaves the earlier reports.
TEST_F(TalverFitTest, WarningsAndStrict)
{
    writeFourSubjects();
    write("x.dat", "0 0 1 0 0 9 1");  // a 9, and the last score missing
    ASSERT_EQ(run(fourSubjects + " --format json"), 0);
    const std::string errors = read("stderr.txt");
    EXPECT_EQ(errors,
              "warning: The scores file \"x.dat\" ended after 7 of the 8 values the sizes call for; the rest count "
              "as 0, from subject 4, item 2 on. Are the numbers of subjects and items right?\n"
              "warning: The scores file \"x.dat\" holds 1 score outside the codes 0 to 1 of the model, the first 9 "
              "for subject 3, item 2; it is added into the total as it is. A code for a missing answer?\n");
    const nlohmann::json summary = nlohmann::json::parse(read("stdout.txt"));
    ASSERT_EQ(summary["warnings"].size(), 2u);
    EXPECT_EQ(summary["warnings"][0]["kind"], "short_file");
    EXPECT_EQ(summary["warnings"][1]["kind"], "score_out_of_range");
    EXPECT_EQ(summary["warnings"][1]["file"], "x.dat");
    EXPECT_EQ("warning: " + summary["warnings"][1]["message"].get<std::string>() + "\n",
              errors.substr(errors.find('\n') + 1));
    const std::string report = read("OUT");

    write("x.dat", "0 0 1 0 0 9 1 1");
    EXPECT_EQ(run(fourSubjects + " --strict"), 65);
    EXPECT_EQ(read("OUT"), report);
    EXPECT_EQ(read("stdout.txt"), "");
    EXPECT_NE(read("stderr.txt").find("talver-fit: The input gave warnings"), std::string::npos);

    // A clean run: no warning anywhere, an empty list in JSON.
    write("x.dat", "0 0 1 0 0 1 1 1");
    ASSERT_EQ(run(fourSubjects + " --strict --format json"), 0);
    EXPECT_EQ(read("stderr.txt"), "");
    EXPECT_TRUE(nlohmann::json::parse(read("stdout.txt"))["warnings"].empty());
}

// The item fit of every model, in the three formats: the CSV and the JSON
// read back agree, df takes off each model's parameter count, and every
// item has its keys.
TEST_F(TalverFitTest, ItemFitInEveryFormat)
{
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(TALVER_EXAMPLES_DIR))
        if (entry.path().extension() == ".dat")
            fs::copy_file(entry.path(), entry.path().filename());
    struct Case {
        std::string arguments;
        int categories, parameters;
    };
    const Case cases[] = {
        {"--model 1pl --subjects 1000 --items 20 --discrimination-constant 1.1 --difficulty 1pl-difficulty.dat "
         "--scores 1pl-scores.dat --nodes51",
         2, 1},
        {"--model 2pl --subjects 1000 --items 20 --discrimination 2pl-discrimination.dat --difficulty "
         "2pl-difficulty.dat --scores 2pl-scores.dat --nodes20",
         2, 2},
        {"--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat --difficulty "
         "3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat --estimates 3pl-estimates.dat",
         2, 3},
        {"--model grm --subjects 1000 --items 10 --categories 4 --discrimination grm-discrimination.dat "
         "--difficulty grm-thresholds.dat --scores grm-scores.dat --nodes51",
         4, 4},
        {"--model pcm --subjects 1000 --items 10 --categories 4 --discrimination-constant 0.9 --difficulty "
         "pcm-steps.dat --scores pcm-scores.dat --estimates pcm-estimates.dat",
         4, 3},
    };
    const std::vector<std::string> keys = {"df", "flagged", "groups", "item", "p", "p_adjusted", "rmsea", "sx2"};
    for (const Case& c : cases) {
        ASSERT_EQ(run(c.arguments + " --item-fit --format json"), 0) << c.arguments;
        const nlohmann::json items = nlohmann::json::parse(read("stdout.txt"))["items"];
        ASSERT_TRUE(items.is_array());
        ASSERT_EQ(run(c.arguments + " --item-fit --format csv"), 0);
        const std::string csv = read("stdout.txt");
        const std::string header = "\n\nitem,sx2,df,p,p_adjusted,rmsea,flagged,groups\n";
        ASSERT_NE(csv.find(header), std::string::npos);
        std::istringstream rows(csv.substr(csv.find(header) + header.size()));
        for (std::size_t k = 0; k < items.size(); ++k) {
            const nlohmann::json& item = items[k];
            std::vector<std::string> got;
            for (const auto& [key, value] : item.items())
                got.push_back(key);
            EXPECT_EQ(got, keys);
            EXPECT_EQ(item["item"], k + 1);
            const int df = item["df"], groups = item["groups"];
            EXPECT_EQ(df, groups * (c.categories - 1) - c.parameters) << c.arguments;
            EXPECT_EQ(item["p"].is_null(), df <= 0);
            EXPECT_EQ(item["rmsea"].is_null(), df <= 0);
            EXPECT_TRUE(item["flagged"].is_boolean());

            std::string line, field;
            ASSERT_TRUE(std::getline(rows, line));
            std::vector<std::string> fields;
            std::istringstream cells(line);
            while (std::getline(cells, field, ','))
                fields.push_back(field);
            fields.resize(8);
            EXPECT_EQ(std::stoi(fields[0]), k + 1);
            EXPECT_EQ(std::stod(fields[1]), item["sx2"].get<double>());
            EXPECT_EQ(std::stoi(fields[2]), df);
            if (df > 0) {
                EXPECT_EQ(std::stod(fields[3]), item["p"].get<double>());
                EXPECT_EQ(std::stod(fields[4]), item["p_adjusted"].get<double>());
                EXPECT_EQ(std::stod(fields[5]), item["rmsea"].get<double>());
            } else {
                EXPECT_EQ(fields[3] + fields[4] + fields[5], "");
            }
            EXPECT_EQ(fields[6], item["flagged"].get<bool>() ? "true" : "false");
            EXPECT_EQ(std::stoi(fields[7]), groups);
        }
        EXPECT_EQ(items.size(), c.categories == 2 ? 20u : 10u);
    }

    const std::string run3pl = cases[2].arguments;
    ASSERT_EQ(run(run3pl + " --item-fit"), 0);
    EXPECT_NE(read("stdout.txt").find("Item fit (S-X2): adjacent totals merged until every category expects at least "
                                      "1 subject"),
              std::string::npos);
    ASSERT_EQ(run(run3pl + " --item-fit --item-min-expected 5 --format json"), 0);
    const nlohmann::json merged = nlohmann::json::parse(read("stdout.txt"));
    for (const nlohmann::json& item : merged["items"])
        EXPECT_LT(item["groups"].get<int>(), 19);
    ASSERT_EQ(run(run3pl + " --item-fit --quiet --item-plot items.svg"), 0);
    EXPECT_EQ(read("stdout.txt"), "");
    EXPECT_NE(read("items.svg").find("Item 20"), std::string::npos);
    for (const char* bad : {" --item-plot items.png", " --item-min-expected 2", " --item-fit --item-plot x.pdf",
                            " --item-fit --item-min-expected -1"})
        EXPECT_EQ(run(run3pl + bad), 64) << bad;
}

// The histogram of every subject's lz* (lz for eap, which has no cut-off
// without simulation) as PNG or SVG, and why one cannot be written.
TEST_F(TalverFitTest, PersonPlotDrawsTheHistogram)
{
    namespace fs = std::filesystem;
    for (const char* name : {"3pl-items.csv", "3pl-scores.csv", "nodes51.dat"})
        fs::copy_file(fs::path(TALVER_EXAMPLES_DIR) / name, name);
    const std::string run3pl =
        "--model 3pl --parameters 3pl-items.csv --scores 3pl-scores.csv --id-column student --nodes51 --quiet ";
    const struct {
        const char* estimator;
        const char* title;
        bool cutOff;
    } cases[] = {
        {"wle", "Person fit: lz* of every subject", true},
        {"map", "Person fit: lz* of every subject", true},
        {"eap", "Person fit: lz of every subject", false},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(run(run3pl + "--person-fit --theta-estimator " + c.estimator + " --person-plot persons.svg"), 0)
            << read("stderr.txt");
        const std::string svg = read("persons.svg");
        EXPECT_NE(svg.find("viewBox=\"0 0 800 500\""), std::string::npos);
        EXPECT_NE(svg.find(c.title), std::string::npos) << c.estimator;
        EXPECT_NE(svg.find("Subjects (1,000)"), std::string::npos) << c.estimator;
        EXPECT_EQ(svg.find("5% point: -1.645") != std::string::npos, c.cutOff) << c.estimator;
    }
    ASSERT_EQ(run(run3pl + "--person-fit --person-plot Persons.PNG"), 0) << read("stderr.txt");
    const std::string png = read("Persons.PNG");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");

    const std::string out = read("OUT");
    EXPECT_EQ(run(run3pl + "--person-fit --person-plot no/such/folder/persons.svg"), 73);
    EXPECT_EQ(read("stderr.txt"), "talver-fit: cannot write the chart 'no/such/folder/persons.svg'\n");
    EXPECT_EQ(read("OUT"), out);
    for (const char* bad : {"--person-plot persons.png", "--person-fit --person-plot persons.gif"})
        EXPECT_EQ(run(run3pl + bad), 64) << bad;
}

// The pairs of a binary and a polytomous run, in the three formats: the
// CSV and the JSON read back agree, and every pair has its keys.
TEST_F(TalverFitTest, PairsInEveryFormat)
{
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(TALVER_EXAMPLES_DIR))
        if (entry.path().extension() == ".dat")
            fs::copy_file(entry.path(), entry.path().filename());
    const std::string cases[] = {
        "--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat --difficulty "
        "3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat --estimates 3pl-estimates.dat",
        "--model grm --subjects 1000 --items 10 --categories 4 --discrimination grm-discrimination.dat "
        "--difficulty grm-thresholds.dat --scores grm-scores.dat --nodes51",
    };
    const std::vector<std::string> keys = {"df", "first", "flagged", "p", "p_adjusted", "second", "sign", "v", "x2"};
    for (const std::string& c : cases) {
        const int m = c.find("grm") != std::string::npos ? 10 : 20, K = m == 10 ? 4 : 2;
        ASSERT_EQ(run(c + " --pairs --format json"), 0) << c;
        const nlohmann::json summary = nlohmann::json::parse(read("stdout.txt"));
        const nlohmann::json& pairs = summary["pairs"];
        ASSERT_EQ(pairs.size(), static_cast<std::size_t>(m * (m - 1) / 2));
        ASSERT_EQ(run(c + " --pairs --format csv"), 0);
        const std::string csv = read("stdout.txt"), header = "\n\nfirst,second,x2,df,p,p_adjusted,sign,v,flagged\n";
        ASSERT_NE(csv.find(header), std::string::npos);
        std::istringstream rows(csv.substr(csv.find(header) + header.size()));
        int first = 1, second = 2;
        for (const nlohmann::json& pair : pairs) {
            std::vector<std::string> got;
            for (const auto& [key, value] : pair.items())
                got.push_back(key);
            EXPECT_EQ(got, keys);
            EXPECT_EQ(pair["first"], first);
            EXPECT_EQ(pair["second"], second);
            EXPECT_EQ(pair["df"], (K - 1) * (K - 1));
            const int sign = pair["sign"];
            EXPECT_TRUE(sign == -1 || sign == 0 || sign == 1);
            std::string line;
            ASSERT_TRUE(std::getline(rows, line));
            std::istringstream cells(line);
            std::vector<std::string> fields;
            for (std::string field; std::getline(cells, field, ',');)
                fields.push_back(field);
            ASSERT_EQ(fields.size(), 9u) << line;
            EXPECT_EQ(std::stoi(fields[0]), first);
            EXPECT_EQ(std::stoi(fields[1]), second);
            EXPECT_EQ(std::stod(fields[2]), pair["x2"].get<double>());
            EXPECT_EQ(std::stod(fields[4]), pair["p"].get<double>());
            EXPECT_EQ(std::stod(fields[5]), pair["p_adjusted"].get<double>());
            EXPECT_EQ(std::stoi(fields[6]), sign);
            EXPECT_EQ(std::stod(fields[7]), pair["v"].get<double>());
            EXPECT_EQ(fields[8], pair["flagged"].get<bool>() ? "true" : "false");
            if (++second > m)
                second = ++first + 1;
        }
    }
    ASSERT_EQ(run(cases[0] + " --pairs"), 0);
    EXPECT_NE(read("stdout.txt").find("pairs flagged, adjusted p below 0.05; the 20 largest:"), std::string::npos);
    ASSERT_EQ(run(cases[0] + " --pairs --quiet --pairs-plot pairs.svg"), 0);
    EXPECT_NE(read("pairs.svg").find("<svg"), std::string::npos);
    for (const char* bad : {" --pairs-plot pairs.png", " --pairs --pairs-plot pairs.jpg"})
        EXPECT_EQ(run(cases[0] + bad), 64) << bad;
}

// Simulated p-values in every format, the same for the same seed on one
// thread and on two, and beside every p.
TEST_F(TalverFitTest, MonteCarloInEveryFormat)
{
    namespace fs = std::filesystem;
    for (const char* name : {"3pl-discrimination.dat", "3pl-difficulty.dat", "3pl-c.dat", "3pl-scores.dat"})
        fs::copy_file(fs::path(TALVER_EXAMPLES_DIR) / name, name);
    const std::string run3pl = "--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat "
                               "--difficulty 3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat --nodes20 "
                               "--item-fit --pairs --monte-carlo 200 --seed 42 --format json";
    setenv("TALVER_THREADS", "1", 1);
    ASSERT_EQ(run(run3pl), 0);
    const std::string once = read("stdout.txt");
    for (const char* threads : {"2", "3"}) {
        setenv("TALVER_THREADS", threads, 1);
        ASSERT_EQ(run(run3pl), 0);
        EXPECT_EQ(read("stdout.txt"), once) << threads << " threads";
    }
    unsetenv("TALVER_THREADS");
    const nlohmann::json summary = nlohmann::json::parse(once);
    const nlohmann::json& mc = summary["monte_carlo"];
    EXPECT_EQ(mc["replicates"], 200);
    EXPECT_EQ(mc["seed"], 42);
    for (const char* key : {"chi_square_p", "pooled_chi_square_p", "likelihood_ratio_p"}) {
        const double p = mc[key];
        EXPECT_GE(p, 1.0 / 201);
        EXPECT_LE(p, 1.0);
        EXPECT_EQ(std::fmod(p * 201, 1.0) < 1e-9 || std::fmod(p * 201, 1.0) > 1 - 1e-9, true) << key;
    }
    // Each key carries its own statistic's p: the same run in this process.
    AnalysisRequest request;
    request.fit = parse({"--model", "3pl", "--subjects", "1000", "--items", "20", "--discrimination",
                         "3pl-discrimination.dat", "--difficulty", "3pl-difficulty.dat", "--c-indices", "3pl-c.dat",
                         "--scores", "3pl-scores.dat", "--nodes20"})
                      .request;
    request.countItems = request.countPairs = true;
    Analysis analysis(request);
    ASSERT_EQ(analysis.runWhole(200, 42), kAnalysisSuccess);
    const MonteCarloResult& simulated = *analysis.simulated();
    EXPECT_EQ(mc["chi_square_p"], simulated.chiSquareP);
    EXPECT_EQ(mc["pooled_chi_square_p"], simulated.pooledChiSquareP);
    EXPECT_EQ(mc["likelihood_ratio_p"], simulated.likelihoodRatioP);
    // Distinct, so that one in another's place would show.
    EXPECT_NE(simulated.chiSquareP, simulated.pooledChiSquareP);
    EXPECT_NE(simulated.pooledChiSquareP, simulated.likelihoodRatioP);
    ASSERT_EQ(summary["items"].size(), simulated.itemP.size());
    for (std::size_t k = 0; k < simulated.itemP.size(); ++k)
        EXPECT_EQ(summary["items"][k]["p_mc"], simulated.itemP[k]) << "item " << k + 1;
    ASSERT_EQ(summary["pairs"].size(), simulated.pairP.size());
    for (std::size_t k = 0; k < simulated.pairP.size(); ++k)
        EXPECT_EQ(summary["pairs"][k]["p_mc"], simulated.pairP[k]) << "pair " << k;

    ASSERT_EQ(run(run3pl.substr(0, run3pl.find(" --format")) + " --format csv"), 0);
    const std::string csv = read("stdout.txt");
    EXPECT_EQ(csv.rfind("statistic,value,df,p,p_mc\n", 0), 0u);
    EXPECT_NE(csv.find("\nitem,sx2,df,p,p_adjusted,rmsea,flagged,groups,p_mc\n"), std::string::npos);
    EXPECT_NE(csv.find("\nfirst,second,x2,df,p,p_adjusted,sign,v,flagged,p_mc\n"), std::string::npos);
    ASSERT_EQ(run(run3pl.substr(0, run3pl.find(" --format"))), 0);
    EXPECT_NE(read("stdout.txt").find("Simulated p: 200 data sets drawn under the model, seed 42"), std::string::npos);
    for (const char* bad : {" --monte-carlo 0", " --monte-carlo x", " --seed 3", " --monte-carlo 5 --seed 1.5"})
        EXPECT_EQ(run("--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat --difficulty "
                      "3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat --nodes20" +
                      std::string(bad)),
                  64)
            << bad;
}

// A graded test's categories start at 1: drawn subject by subject, a
// replicate's totals must land on the rows that drawing the totals fills.
TEST_F(TalverFitTest, GradedSimulationAgreesBySubjectsAndByScores)
{
    namespace fs = std::filesystem;
    for (const char* name : {"grm-discrimination.dat", "grm-thresholds.dat", "grm-scores.dat", "grm-estimates.dat"})
        fs::copy_file(fs::path(TALVER_EXAMPLES_DIR) / name, name);
    const std::string grm = "--model grm --subjects 1000 --items 10 --categories 4 --discrimination "
                            "grm-discrimination.dat --difficulty grm-thresholds.dat --scores grm-scores.dat "
                            "--estimates grm-estimates.dat --monte-carlo 5000 --format json";
    const auto chiSquareP = [&](const std::string& more) {
        EXPECT_EQ(run(grm + more), 0) << more;
        return nlohmann::json::parse(read("stdout.txt"))["monte_carlo"]["chi_square_p"].get<double>();
    };
    const double byScores = chiSquareP(""), bySubjects = chiSquareP(" --item-fit");
    EXPECT_NEAR(bySubjects, byScores, 4 * std::sqrt(2 * byScores * (1 - byScores) / 5000));
}

TEST_F(TalverFitTest, PolytomousModelsRun)
{
    write("t.dat", "-1 -1 1 1");
    write("x.dat", "1 1 2 3 3 3 2 2");
    write("n.dat", "0 1");
    ASSERT_EQ(run("--model pcm --subjects 4 --items 2 --categories 3 --discrimination-constant 1 "
                  "--difficulty t.dat --scores x.dat --nodes n.dat --node-count 1"),
              0);
    EXPECT_NE(read("OUT").find("    2          1 "), std::string::npos);
    write("a.dat", "1 1");
    ASSERT_EQ(run("--model grm --subjects 4 --items 2 --categories 3 --discrimination a.dat "
                  "--difficulty t.dat --scores x.dat --nodes n.dat --node-count 1"),
              0);
    EXPECT_NE(read("OUT").find("    4          1     1.4328 "), std::string::npos);
}

}  // namespace

// --missing: refused within the model's codes; otherwise the summary says
// how many answers were missing in how many forms, JSON and CSV carry the
// items' and pairs' own numbers of subjects, and the reports hold the
// table of the answered items.
TEST_F(TalverFitTest, MissingAnswersInEveryFormat)
{
    write("b.dat", "0 0.5 -0.5");
    write("x.dat", "1 9 0\n9 9 9\n1 1 9\n0 0 1\n1 9 1\n9 0 1\n1 1 1\n0 -1 0\n");
    write("n.dat", "-1 .5 1 .5");
    const std::string test = "--model 1pl --subjects 8 --items 3 --discrimination-constant 1 --difficulty b.dat "
                             "--scores x.dat --nodes n.dat --node-count 2 ";
    EXPECT_EQ(run(test + "--missing 1"), 64);
    EXPECT_NE(read("stderr.txt").find("--missing: the missing code 1 is one of the model's codes, 0 to 1"),
              std::string::npos)
        << read("stderr.txt");
    EXPECT_EQ(run(test + "--missing 9,x"), 64);

    ASSERT_EQ(run(test + "--missing 9,-1 --item-fit --pairs --format json"), 0) << read("stderr.txt");
    const nlohmann::json summary = nlohmann::json::parse(read("stdout.txt"));
    EXPECT_EQ(summary["missing"], nlohmann::json::parse(R"({"codes": [-1, 9], "answers_missing": 8,
        "subjects_without_answers": 1, "forms": 4})"));
    EXPECT_EQ(summary["items"][0]["answered"], 6);
    EXPECT_EQ(summary["pairs"][0]["both"], 3);  // items 1 and 2: 1 1 9, 0 0 1, 1 1 1
    EXPECT_EQ(summary["warnings"][0]["kind"], "no_answers");
    EXPECT_EQ(summary["scores"].size(), 4u);
    EXPECT_NE(read("OUT").find("     3"), std::string::npos);

    ASSERT_EQ(run(test + "--missing 9,-1 --item-fit --pairs --format csv"), 0);
    const std::string csv = read("stdout.txt");
    EXPECT_NE(csv.find("item,sx2,df,p,p_adjusted,rmsea,flagged,groups,answered\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("first,second,x2,df,p,p_adjusted,sign,v,flagged,both\n"), std::string::npos) << csv;

    ASSERT_EQ(run(test + "--missing 9,-1"), 0);
    EXPECT_EQ(read("stdout.txt").rfind("Missing codes -1,9: 7 subjects, 4 forms, 33.3% of answers missing; 1 "
                                       "answered nothing and is left out.\n",
                                       0),
              0u)
        << read("stdout.txt");
}

// Each model's lowest code is an answer, never a missing one: 0 for binary
// items, 1 for polytomous ones; the code below it is free.
TEST_F(TalverFitTest, TheLowestCodeOfEveryModelIsNoMissingCode)
{
    const std::string sizes = " --subjects 8 --items 3 --difficulty b.dat --scores x.dat --nodes n.dat --node-count 2";
    const struct {
        std::string model;
        const char* code;
        const char* range;
    } cases[] = {
        {"--model 1pl --discrimination-constant 1", "0", "0 to 1"},
        {"--model 2pl --discrimination a.dat", "0", "0 to 1"},
        {"--model 3pl --discrimination a.dat --c-indices c.dat", "0", "0 to 1"},
        {"--model grm --categories 3 --discrimination a.dat", "1", "1 to 3"},
        {"--model pcm --categories 4 --discrimination-constant 1", "1", "1 to 4"},
        {"--model pcm --categories 4 --discrimination-constant 1", "-5,1", "1 to 4"},
    };
    for (const auto& c : cases) {
        const std::string arguments = c.model + sizes + " --missing " + c.code;
        EXPECT_EQ(run(arguments), 64) << arguments;
        EXPECT_EQ(read("stderr.txt").substr(0, read("stderr.txt").find('\n')),
                  std::string("talver-fit: --missing: the missing code ") + (c.code[0] == '-' ? "1" : c.code) +
                      " is one of the model's codes, " + c.range)
            << arguments;
        EXPECT_FALSE(std::filesystem::exists("OUT")) << arguments;
    }
    EXPECT_EQ(parse({"--model", "grm", "--categories", "3", "--discrimination", "a", "--difficulty", "b",
                     "--scores", "x", "--subjects", "8", "--items", "3", "--nodes20", "--missing", "0"})
                  .error,
              "");
    EXPECT_EQ(parse({"--model", "3pl", "--discrimination", "a", "--difficulty", "b", "--c-indices", "c", "--scores",
                     "x", "--subjects", "8", "--items", "3", "--nodes20", "--missing", "-1"})
                  .error,
              "");
}

namespace {

TEST(BatchOptionsTest, TablesStandForFilesAndCounts)
{
    TempDirectory here;
    TempDirectory::write("p.csv", "item,a,b1,b2,b3\nq1,1,-1,0,1\n");
    TempDirectory::write("r.csv", "item,a,b\nq1,1,0\n");
    const BatchOptions graded =
        parse({"--model", "grm", "--parameters", "p.csv", "--scores", "s.csv", "--id-column", "id", "--item-columns",
               "q2, q1", "--estimates", "e.dat"});
    ASSERT_EQ(graded.error, "");
    EXPECT_EQ(graded.request.categoryCount, 4);  // from the thresholds
    EXPECT_EQ(graded.request.discriminationFile, "p.csv");
    EXPECT_EQ(graded.request.difficultyFile, "p.csv");
    EXPECT_EQ(graded.request.subjectCount, 0);  // the table's
    EXPECT_EQ(graded.request.itemCount, 0);
    EXPECT_EQ(graded.scoreColumns.id, "id");
    EXPECT_EQ(graded.scoreColumns.items, (std::vector<std::string>{"q2", "q1"}));
    // A column a gives the common discrimination.
    const BatchOptions rasch = parse({"--model", "1pl", "--parameters", "r.csv", "--scores", "x.dat", "--subjects",
                                      "5", "--items", "1", "--nodes20"});
    ASSERT_EQ(rasch.error, "");
    EXPECT_EQ(rasch.request.parameterCount, 1);
    EXPECT_EQ(rasch.request.difficultyFile, "r.csv");
    EXPECT_TRUE(parse({"--model", "2pl", "--parameters", "r.csv", "--scores", "x", "--scores-format", "table",
                       "--nodes20"})
                    .scoresAsTable);

    const std::pair<std::vector<const char*>, const char*> refused[] = {
        {{"--model", "2pl", "--parameters", "r.dat", "--scores", "s.csv", "--nodes20"}, "--parameters takes a table"},
        {{"--model", "2pl", "--parameters", "r.csv", "--difficulty", "b", "--scores", "s.csv", "--nodes20"},
         "--difficulty does not go with --parameters"},
        {{"--model", "1pl", "--parameters", "r.csv", "--discrimination-constant", "1", "--scores", "s.csv",
          "--nodes20"},
         "--discrimination-constant does not go with a parameter table that has a column a"},
        {{"--model", "grm", "--parameters", "r.csv", "--scores", "s.csv", "--nodes20"},
         "--categories is missing, and r.csv has no thresholds"},
        {{"--model", "2pl", "--parameters", "r.csv", "--scores", "x.dat", "--items", "1", "--nodes20"},
         "--subjects is missing"},
        {{"--model", "2pl", "--parameters", "r.csv", "--scores", "x.dat", "--subjects", "2", "--items", "1",
          "--id-column", "id", "--nodes20"},
         "--id-column goes with a score table"},
        {{"--model", "2pl", "--parameters", "r.csv", "--scores", "s.csv", "--item-columns", "a,,b", "--nodes20"},
         "--item-columns takes column names"},
        {{"--model", "2pl", "--parameters", "r.csv", "--scores", "s.csv", "--scores-format", "csv", "--nodes20"},
         "--scores-format takes table"},
    };
    for (const auto& [args, reason] : refused)
        EXPECT_NE(parse(args).error.find(reason), std::string::npos) << parse(args).error;
}

// Every shipped example run from its tables gives the reports of its plain
// files to the byte, and the same statistics, now with the items' names.
TEST_F(TalverFitTest, TablesGiveTheReportsOfTheirPlainFiles)
{
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(TALVER_EXAMPLES_DIR))
        if (entry.path().extension() == ".dat" || entry.path().extension() == ".csv")
            fs::copy_file(entry.path(), entry.path().filename());
    const std::pair<std::string, std::string> cases[] = {
        {"--model 1pl --subjects 1000 --items 20 --discrimination-constant 1.1 --difficulty 1pl-difficulty.dat "
         "--scores 1pl-scores.dat --estimates 1pl-estimates.dat",
         "--model 1pl --discrimination-constant 1.1 --parameters 1pl-items.csv --scores 1pl-scores.csv "
         "--id-column student --estimates 1pl-estimates.dat"},
        {"--model 2pl --subjects 1000 --items 20 --discrimination 2pl-discrimination.dat --difficulty "
         "2pl-difficulty.dat --scores 2pl-scores.dat --nodes20 --metric logistic",
         "--model 2pl --parameters 2pl-items.csv --scores 2pl-scores.csv --id-column student --nodes20 "
         "--metric logistic"},
        {"--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat --difficulty "
         "3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat --nodes51",
         "--model 3pl --subjects 1000 --items 20 --parameters 3pl-items.csv --scores 3pl-scores.csv "
         "--id-column student --nodes51"},
        {"--model grm --subjects 1000 --items 10 --categories 4 --discrimination grm-discrimination.dat "
         "--difficulty grm-thresholds.dat --scores grm-scores.dat --nodes nodes20.dat --node-count 20",
         "--model grm --parameters grm-items.csv --scores grm-scores.csv --id-column student --nodes nodes20.dat "
         "--node-count 20"},
        {"--model pcm --subjects 1000 --items 10 --categories 4 --discrimination-constant 0.9 --difficulty "
         "pcm-steps.dat --scores pcm-scores.dat --estimates pcm-estimates.dat",
         "--model pcm --discrimination-constant 0.9 --parameters pcm-items.csv --scores pcm-scores.csv "
         "--id-column student --estimates pcm-estimates.dat"},
    };
    for (const auto& [plain, table] : cases) {
        const std::string statistics = " --item-fit --pairs --format json";
        ASSERT_EQ(run(plain + statistics), 0) << plain << read("stderr.txt");
        const std::string report = read("OUT"), graph = read("OUTG");
        nlohmann::json wanted = nlohmann::json::parse(read("stdout.txt"));
        ASSERT_EQ(run(table + statistics), 0) << table << read("stderr.txt");
        EXPECT_EQ(read("OUT"), report) << table;
        EXPECT_EQ(read("OUTG"), graph) << table;
        nlohmann::json got = nlohmann::json::parse(read("stdout.txt"));
        EXPECT_EQ(got["items"][2]["name"], "q03");
        EXPECT_EQ(got["pairs"][0]["first_name"], "q01");
        EXPECT_EQ(got["pairs"][0]["second_name"], "q02");
        for (nlohmann::json& item : got["items"])
            item.erase("name");
        for (nlohmann::json& pair : got["pairs"]) {
            pair.erase("first_name");
            pair.erase("second_name");
        }
        EXPECT_EQ(got, wanted) << table;
    }
    // Names in the text and CSV tables.
    ASSERT_EQ(run(cases[2].second + " --item-fit --pairs"), 0);
    EXPECT_NE(read("stdout.txt").find(" Item Name         S-X2"), std::string::npos) << read("stdout.txt");
    EXPECT_NE(read("stdout.txt").find("    3 q03  "), std::string::npos);
    ASSERT_EQ(run(cases[2].second + " --item-fit --pairs --format csv"), 0);
    EXPECT_NE(read("stdout.txt").find("item,sx2,df,p,p_adjusted,rmsea,flagged,groups,name\n"), std::string::npos);
    EXPECT_NE(read("stdout.txt").find("first,second,x2,df,p,p_adjusted,sign,v,flagged,first_name,second_name\n"),
              std::string::npos);
}

// --scores-format table reads a score table whatever its name ends in:
// the reports and the statistics of the same table named .csv.
TEST_F(TalverFitTest, AScoreTableOfAnyNameIsReadAsOneWhenSaidSo)
{
    namespace fs = std::filesystem;
    for (const char* file : {"2pl-items.csv", "2pl-scores.csv"})
        fs::copy_file(fs::path(TALVER_EXAMPLES_DIR) / file, file);
    const std::string run2pl = "--model 2pl --parameters 2pl-items.csv --id-column student --nodes20 --item-fit "
                               "--pairs --format json --scores ";
    ASSERT_EQ(run(run2pl + "2pl-scores.csv"), 0) << read("stderr.txt");
    const std::string report = read("OUT"), graph = read("OUTG"), summary = read("stdout.txt");
    std::string tabs = read("2pl-scores.csv");
    std::replace(tabs.begin(), tabs.end(), ',', '\t');
    const std::pair<const char*, std::string> cases[] = {
        {"scores.txt", read("2pl-scores.csv")},
        {"scores.dat", read("2pl-scores.csv")},
        {"scores", read("2pl-scores.csv")},
        {"scores.csv.bak", read("2pl-scores.csv")},
        {"scores.tab", tabs},
    };
    for (const auto& [name, text] : cases) {
        write(name, text);
        fs::remove("OUT");
        fs::remove("OUTG");
        ASSERT_EQ(run(run2pl + name + " --scores-format table"), 0) << name << ": " << read("stderr.txt");
        EXPECT_EQ(read("OUT"), report) << name;
        EXPECT_EQ(read("OUTG"), graph) << name;
        EXPECT_EQ(read("stdout.txt"), summary) << name;
    }
    // Without it such a name is a file of plain codes, which has no columns.
    EXPECT_EQ(run(run2pl + "scores.txt"), 64);
    EXPECT_NE(read("stderr.txt").find("--id-column goes with a score table"), std::string::npos) << read("stderr.txt");
}

// Each bad table: one line naming the file, the line and the column, a
// status of its own, and the earlier reports as they were.
TEST_F(TalverFitTest, BadTablesNameTheirFaultAndChangeNothing)
{
    write("p.csv", "item,b\nq1,0\nq2,0.5\n");
    write("s.csv", "id,q1,q2\ns1,1,0\ns2,0,1\ns3,1,1\n");
    write("n.dat", "-1 .5 1 .5");
    const std::string run1pl =
        "--model 1pl --discrimination-constant 1 --nodes n.dat --node-count 2 --id-column id ";
    ASSERT_EQ(run(run1pl + "--parameters p.csv --scores s.csv"), 0) << read("stderr.txt");
    const std::string report = read("OUT"), graph = read("OUTG");
    write("long.csv", "id,q1,q2\ns1,1,0\ns2,0,1,1\n");
    write("short.csv", "id,q1,q2\ns1,1,0\ns2,0\n");
    write("code.csv", "id,q1,q2\ns1,1,0\ns2,0,yes\n");
    write("twice.csv", "id,q1,q1\ns1,1,0\n");
    write("nan.csv", "item,b\nq1,0\nq2,high\n");
    write("nob.csv", "item,b_hat\nq1,0\nq2,1\n");
    write("other.csv", "item,b\nq1,0\nq3,1\n");
    write("quote.csv", "id,q1,q2\n\"s1,1,0\n");
    write("none.csv", "id,q1,q2\r\n\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {"--parameters p.csv --scores long.csv", "long.csv, line 3: 4 fields, where the header has 3"},
        {"--parameters p.csv --scores short.csv", "short.csv, line 3: 2 fields, where the header has 3"},
        {"--parameters p.csv --scores code.csv", "code.csv, line 3, column \"q2\": the code \"yes\" is not a whole number"},
        {"--parameters p.csv --scores twice.csv", "twice.csv, line 1, column \"q1\": the name is given to two columns"},
        {"--parameters nan.csv --scores s.csv",
         "nan.csv, line 3, column \"b\": \"high\" is not a number of single precision"},
        {"--parameters nob.csv --scores s.csv", "nob.csv, line 1, column \"b\": there is no such column"},
        {"--parameters other.csv --scores s.csv",
         "other.csv, column \"item\": the item \"q2\" of the scores is not in the table"},
        {"--parameters p.csv --scores quote.csv", "quote.csv, line 2: a quoted field is not closed before the file ends"},
        {"--parameters p.csv --scores none.csv", "none.csv: no subject below the header"},
        {"--parameters p.csv --scores s.csv --item-columns q1,q9",
         "s.csv, line 1, column \"q9\": there is no such item column"},
    };
    for (const auto& [arguments, said] : cases) {
        EXPECT_EQ(run(run1pl + arguments), 14) << arguments;
        EXPECT_EQ(read("stderr.txt"), "talver-fit: The table cannot be read: " + said + ".\n") << arguments;
        EXPECT_EQ(read("OUT"), report) << arguments;
        EXPECT_EQ(read("OUTG"), graph) << arguments;
    }
    EXPECT_EQ(run("--model 1pl --discrimination-constant 1 --nodes n.dat --node-count 2 --parameters p.csv "
                  "--scores s.csv --id-column ident"),
              14);
    EXPECT_EQ(read("stderr.txt"), "talver-fit: The table cannot be read: s.csv, line 1, column \"ident\": there is "
                                  "no such column for the subjects' identifiers.\n");
    // Counts given must be the table's.
    EXPECT_EQ(run(run1pl + "--parameters p.csv --scores s.csv --subjects 4"), 64);
    EXPECT_EQ(read("stderr.txt"), "talver-fit: The sizes given are not the score table's: s.csv: the table holds 3 "
                                  "subjects, where 4 were given.\n");
    EXPECT_EQ(run(run1pl + "--parameters p.csv --scores s.csv --items 3"), 64);
    EXPECT_EQ(read("stderr.txt"), "talver-fit: The sizes given are not the score table's: s.csv, line 1: the table "
                                  "holds 2 items, where 3 were given.\n");
    EXPECT_EQ(read("OUT"), report);
    EXPECT_EQ(read("OUTG"), graph);
    // Scores of a table without answers, and missing codes, make forms.
    write("m.csv", "id,q1,q2\ns1,1,NA\ns2,,1\ns3,1,9\ns4,1,1\n");
    ASSERT_EQ(run(run1pl + "--parameters p.csv --scores m.csv --missing 9"), 0) << read("stderr.txt");
    EXPECT_EQ(read("stdout.txt").rfind("Missing codes 9: 4 subjects, 3 forms, 37.5% of answers missing.\n", 0), 0u)
        << read("stdout.txt");
    ASSERT_EQ(run(run1pl + "--parameters p.csv --scores m.csv"), 0) << read("stderr.txt");
    EXPECT_EQ(read("stdout.txt").rfind("Missing answers: 4 subjects, 3 forms, 25% of answers missing.\n", 0), 0u)
        << read("stdout.txt");
}

}  // namespace

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace

// Every subject's row in file order, the same bits on any thread count and
// vector path, for every model; the summary's most misfitting are the rows
// of lowest lz*, in every format.
TEST_F(TalverFitTest, PersonFitOnEveryModelPathAndThreadCount)
{
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(TALVER_EXAMPLES_DIR))
        fs::copy_file(entry.path(), entry.path().filename());
    const std::vector<std::string> cases = {
        "--model 1pl --subjects 1000 --items 20 --discrimination-constant 1.1 --difficulty 1pl-difficulty.dat "
        "--scores 1pl-scores.dat --nodes51",
        "--model 3pl --parameters 3pl-items.csv --scores 3pl-scores.csv --id-column student --nodes51 "
        "--theta-estimator ml",
        "--model grm --subjects 1000 --items 10 --categories 4 --discrimination grm-discrimination.dat "
        "--difficulty grm-thresholds.dat --scores grm-scores.dat --nodes20 --theta-estimator map",
        "--model pcm --subjects 1000 --items 10 --categories 4 --discrimination-constant 0.9 --difficulty "
        "pcm-steps.dat --scores pcm-scores.dat --estimates pcm-estimates.dat",
        "--model 2pl --subjects 1000 --items 20 --discrimination 2pl-discrimination.dat --difficulty "
        "2pl-difficulty.dat --scores 2pl-scores.dat --nodes51 --theta-estimator eap",
    };
    const std::vector<VectorPath> here = AvailableVectorPaths();
    for (const std::string& c : cases) {
        SCOPED_TRACE(c);
        std::optional<std::string> persons, summary;
        for (const VectorPath path : here)
            for (const char* threads : {"1", "2", "3"}) {
                ASSERT_EQ(run(c + " --person-fit --persons p.csv --format json",
                              std::string("TALVER_VECTORS=") + VectorPathName(path) + " TALVER_THREADS=" + threads),
                          0)
                    << read("stderr.txt");
                if (!persons) {
                    persons = read("p.csv"), summary = read("stdout.txt");
                    continue;
                }
                EXPECT_EQ(read("p.csv"), *persons) << VectorPathName(path) << " on " << threads;
                EXPECT_EQ(read("stdout.txt"), *summary) << VectorPathName(path) << " on " << threads;
            }
        const std::vector<std::string> rows = linesOf(*persons);
        ASSERT_EQ(rows.size(), 1001u);
        const bool estimates = c.find("--estimates") != std::string::npos;
        EXPECT_EQ(rows[0], std::string("id,answered,total,theta,se") + (estimates ? ",given_theta" : "") +
                               ",lz,lz_star,p,infit,outfit,infit_t,outfit_t,flagged,note");
        const nlohmann::json json = nlohmann::json::parse(*summary)["persons"];
        EXPECT_EQ(json["subjects"], 1000);
        ASSERT_EQ(json["rows"].size(), 20u);
        // The first listed is the lowest in the table.
        const bool eap = c.find("eap") != std::string::npos;
        double lowest = 1e300;
        std::string lowestId;
        for (std::size_t k = 1; k < rows.size(); ++k) {
            std::vector<std::string> fields;
            std::istringstream line(rows[k]);
            for (std::string field; std::getline(line, field, ',');)
                fields.push_back(field);
            const std::string& misfit = fields[5 + (estimates ? 1 : 0) + (eap ? 0 : 1)];
            if (!misfit.empty() && std::stod(misfit) < lowest)
                lowest = std::stod(misfit), lowestId = fields[0];
        }
        EXPECT_EQ(json["rows"][0]["id"], lowestId);
        EXPECT_EQ(json["rows"][0]["flagged"], !eap);
        if (c.find("student") != std::string::npos)
            EXPECT_EQ(rows[1].rfind("s0001,20,", 0), 0u) << rows[1];
        else
            EXPECT_EQ(rows[1].rfind("1,", 0), 0u) << rows[1];
    }
}

// Each subject simulated: the same p_mc on any thread count, and the flag
// follows it; what cannot be asked is refused with its reason.
TEST_F(TalverFitTest, PersonSimulationAndRefusals)
{
    namespace fs = std::filesystem;
    for (const char* name : {"2pl-discrimination.dat", "2pl-difficulty.dat", "2pl-scores.dat", "2pl-estimates.dat"})
        fs::copy_file(fs::path(TALVER_EXAMPLES_DIR) / name, name);
    const std::string base = "--model 2pl --subjects 1000 --items 20 --discrimination 2pl-discrimination.dat "
                             "--difficulty 2pl-difficulty.dat --scores 2pl-scores.dat ";
    const std::string simulated = base + "--nodes51 --person-fit --person-monte-carlo 40 --seed 9 --persons p.csv";
    ASSERT_EQ(run(simulated, "TALVER_THREADS=1"), 0) << read("stderr.txt");
    const std::string one = read("p.csv"), summary = read("stdout.txt");
    ASSERT_EQ(run(simulated, "TALVER_THREADS=3"), 0);
    EXPECT_EQ(read("p.csv"), one);
    EXPECT_NE(summary.find("Flagged (simulated p below 0.05): "), std::string::npos) << summary;
    const std::vector<std::string> rows = linesOf(one);
    EXPECT_EQ(rows[0], "id,answered,total,theta,se,lz,lz_star,p,p_mc,infit,outfit,infit_t,outfit_t,flagged,note");
    for (std::size_t k = 1; k < rows.size(); ++k) {
        std::vector<std::string> fields;
        std::istringstream line(rows[k]);
        for (std::string field; std::getline(line, field, ',');)
            fields.push_back(field);
        ASSERT_GE(fields.size(), 14u);
        if (!fields[8].empty()) {
            EXPECT_EQ(fields[13] == "true", std::stod(fields[8]) < 0.05) << rows[k];
        }
    }

    EXPECT_EQ(run(base + "--estimates 2pl-estimates.dat --person-fit --theta-estimator eap"), 64);
    EXPECT_EQ(read("stderr.txt"),
              "talver-fit: The eap estimator needs the latent points of nodes, not the subjects' estimates.\n");
    EXPECT_EQ(run(base + "--nodes51 --persons p.csv"), 64);
    EXPECT_NE(read("stderr.txt").find("--persons goes with --person-fit"), std::string::npos);
    EXPECT_EQ(run(base + "--nodes51 --person-fit --theta-estimator mle"), 64);
    EXPECT_NE(read("stderr.txt").find("--theta-estimator takes wle, ml, map or eap, not 'mle'"), std::string::npos);
    EXPECT_EQ(run(base + "--nodes51 --person-fit --persons p.txt"), 64);
    fs::create_directory("no");
    fs::remove("OUT");
    EXPECT_EQ(run(base + "--nodes51 --person-fit --persons no/such/p.csv"), 73);
    EXPECT_EQ(read("stderr.txt"), "talver-fit: cannot write the persons' table 'no/such/p.csv'\n");
    EXPECT_FALSE(fs::exists("OUT")) << "the reports are not replaced";
}
