// Benchmarks over the inputs of make_bench_data, run in that directory:
//
//   fit_bench parse | parse-serial | binary-nodes | binary-estimates |
//             binary-estimates-100k | graded-estimates | credit-estimates
//
// Each scenario prints its time, its throughput and the process's peak
// resident memory; run one scenario per process so the peaks stay apart.

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "fit/FitEngine.h"
#include "fit/InputReader.h"
#include "fit/NodeSum.h"
#include "fit/Workers.h"
#include "fit/ScoreCounter.h"

namespace {

double seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double fileMegabytes(const char* path)
{
    struct stat info {};
    stat(path, &info);
    return info.st_size / 1e6;
}

FitRequest binaryRequest()
{
    FitRequest r;
    r.subjectCount = 1000000;
    r.itemCount = 100;
    r.discriminationFile = "binary-a.dat";
    r.difficultyFile = "binary-b.dat";
    r.cFile = "binary-c.dat";
    r.scoreFile = "binary-scores.dat";
    r.parameterCount = 3;
    return r;
}

int report(const char* name, double time, const char* unit, double amount, FitResult result)
{
    std::printf("%-18s %8.3f s  %10.1f %s  peak %7.1f MB  result %d\n", name, time, amount / time, unit,
                peakMegabytes(), static_cast<int>(result));
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* scenario = argc == 2 ? argv[1] : "";
    if (!std::strcmp(scenario, "parse")) {
        ScoreCount count;
        count.observed.assign(101, 0.0);
        count.codes.highest = 1;
        bool counted = false;
        const double time = seconds([&] {
            counted = CountSimpleScores("binary-scores.dat", 1000000, 100, 0, count, FitThreadCount());
        });
        std::printf("(%d threads, score 50: %.0f) ", FitThreadCount(), count.observed[50]);
        return report("parse scores", time, "MB/s", fileMegabytes("binary-scores.dat"),
                      counted ? kFitSuccess : kScoreFileError);
    }
    if (!std::strcmp(scenario, "parse-serial")) {
        long long sum = 0;
        const double time = seconds([&] {
            InputReader in("binary-scores.dat");
            for (long long k = 0; k < 100000000LL; ++k)
                sum += in.readInteger();
        });
        std::printf("(sum %lld) ", sum);
        return report("parse one number at a time", time, "MB/s", fileMegabytes("binary-scores.dat"), kFitSuccess);
    }
    if (!std::strncmp(scenario, "binary-", 7)) {
        FitRequest r = binaryRequest();
        const bool estimates = scenario[7] == 'e';
        if (!std::strcmp(scenario, "binary-estimates-100k"))
            r.subjectCount = 100000;
        r.latentFile = estimates ? "binary-estimates.dat" : "nodes51.dat";
        r.nodeCount = estimates ? r.subjectCount : 51;
        r.useEstimates = estimates;
        // Updates of the recursion: item i meets the i + 1 totals so far.
        const double updates = 0.5 * r.itemCount * (r.itemCount + 1.0) * r.nodeCount;
        FitResult result{};
        const double time = seconds([&] { result = FitBinaryModel(r); });
        return report(scenario, time, "Mupdates/s", updates / 1e6, result);
    }
    if (!std::strcmp(scenario, "graded-estimates") || !std::strcmp(scenario, "credit-estimates")) {
        const bool graded = scenario[0] == 'g';
        FitRequest r;
        r.subjectCount = 100000;
        r.itemCount = 50;
        r.categoryCount = 5;
        r.discriminationFile = "poly-a.dat";
        r.difficultyFile = "poly-thresholds.dat";
        r.scoreFile = "poly-scores.dat";
        r.latentFile = "poly-estimates.dat";
        r.nodeCount = r.subjectCount;
        r.useEstimates = 1;
        r.parameterCount = graded ? 3 : 1;
        r.discriminationConstant = 0.8;
        // Multiply-adds of one convolution: every item after the first
        // meets each of its K categories with the row so far.
        double perNode = 0;
        for (int i = 1; i < r.itemCount; ++i)
            perNode += (i * (r.categoryCount - 1) + 1.0) * r.categoryCount;
        FitResult result{};
        const double time = seconds([&] { result = graded ? FitGradedModel(r) : FitPartialCreditModel(r); });
        return report(scenario, time, "Mmadd/s", perNode * r.nodeCount / 1e6, result);
    }
    std::fprintf(stderr, "usage: fit_bench parse|parse-serial|binary-nodes|binary-estimates|"
                         "binary-estimates-100k|graded-estimates|credit-estimates\n");
    return 64;
}
