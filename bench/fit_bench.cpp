// Benchmarks over the inputs of make_bench_data, run in that directory:
//
//   fit_bench parse | parse-serial | binary-nodes | binary-estimates |
//             binary-estimates-100k | graded-estimates | credit-estimates |
//             kernels
//
// Each scenario prints its time, its throughput and the process's peak
// resident memory; run one scenario per process so the peaks stay apart.
// kernels times each hot loop alone, on one thread, on every vector path
// the processor has (it needs no input files).

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "fit/FitEngine.h"
#include "input/InputReader.h"
#include "input/ScanKernels.h"
#include "input/ScoreCounter.h"
#include "input/ScoreScan.h"
#include "kernels/ScoreDistribution.h"
#include "kernels/VectorKernels.h"
#include "kernels/VectorPath.h"
#include "kernels/Workers.h"
#include "model/NodeSum.h"

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

// Nanoseconds a call of work, over enough calls for a tenth of a second.
double nanoseconds(const std::function<void()>& work)
{
    work();
    std::size_t calls = 1;
    for (double time; (time = seconds([&] {
                           for (std::size_t k = 0; k < calls; ++k)
                               work();
                       })) < 0.1;)
        calls *= 2;
    return seconds([&] {
               for (std::size_t k = 0; k < calls; ++k)
                   work();
           }) /
           static_cast<double>(calls) * 1e9;
}

int kernels()
{
    std::vector<double> P(2 * 100 * kLanes), f(2 * 101 * kLanes * 101), work(4 * 101 * kLanes), sums(f.size());
    for (std::size_t k = 0; k < P.size(); ++k)
        P[k] = 0.05 + 0.9 * static_cast<double>((k * 7919) % 1000) / 1000.0;
    std::vector<double> Q(100 * kLanes), poly(50 * 5), square(200 * 200), weight(kLanes, 1.0);
    for (std::size_t k = 0; k < Q.size(); ++k)
        Q[k] = P[2 * k + 1];
    for (std::size_t k = 0; k < poly.size(); ++k)
        poly[k] = 0.2;
    std::vector<unsigned char> piece(1u << 20);
    for (std::size_t k = 0; k < piece.size(); ++k)
        piece[k] = k % 2 ? (k % 200 == 199 ? '\n' : ' ')
                         : static_cast<unsigned char>('0' + (k * 2654435761u >> 7) % 2);
    std::vector<std::int64_t> histogram(101);
    std::printf("%-34s", "ns a call");
    for (const VectorPath path : AvailableVectorPaths())
        std::printf("%12s", VectorPathName(path));
    std::printf("\n");
    const auto rowOf = [&](const char* name, auto tableOf, const auto& call) {
        std::printf("%-34s", name);
        for (const VectorPath path : AvailableVectorPaths()) {
            const auto& k = tableOf(path);
            std::printf("%12.0f", nanoseconds([&] { call(k); }));
        }
        std::printf("\n");
    };
    const auto row = [&](const char* name, const std::function<void(const VectorKernels&)>& call) {
        rowOf(name, KernelsOf, call);
    };
    const auto scanRow = [&](const char* name, const std::function<void(const ScanKernels&)>& call) {
        rowOf(name, ScanKernelsOf, call);
    };
    row("number correct, 100 items",
        [&](const VectorKernels& k) { k.numberCorrect(Q.data(), 100, f.data(), work.data()); });
    row("number correct x8 points, 100",
        [&](const VectorKernels& k) { k.numberCorrectLanes(Q.data(), 100, f.data()); });
    row("total score, 50 items, K = 5",
        [&](const VectorKernels& k) { k.totalScore(poly.data(), 50, 5, f.data(), sums.data()); });
    row("convolve x8 points, 41 by 40",
        [&](const VectorKernels& k) { k.convolve(P.data(), 41, Q.data(), 40, f.data()); });
    row("divide out x8 points, 100 items", [&](const VectorKernels& k) {
        k.divideOut(f.data(), 100, 100, P.data(), weight.data(), sums.data(), work.data());
    });
    row("leave a pair out x8, K = 5", [&](const VectorKernels& k) {
        k.accumulatePair(Q.data(), 96, P.data(), P.data() + 5 * kLanes, P.data(), P.data() + 10 * kLanes, 5,
                         sums.data(), sums.data() + 5 * 101 * kLanes, 101);
    });
    row("pair products, 100 items, K = 2",
        [&](const VectorKernels& k) { k.addProducts(P.data(), 100, 2, 100, 0.5, square.data()); });
    scanRow("count numbers, 1 MB", [&](const ScanKernels& k) {
        NumberScan scan;
        k.scanNumbers(piece.data(), piece.size(), scan);
    });
    const MissingCodes none, nine({9});
    scanRow("count subjects of 100, 1 MB", [&](const ScanKernels& k) {
        SubjectScan scan(0, 1 << 30, 100, CodeRule(0, 1, none), 0, histogram, CategorySinks{});
        k.scanSubjects(piece.data(), piece.size(), scan);
    });
    AnswerForms forms(100, 2);
    scanRow("count subjects of 100, 9 missing, 1 MB", [&](const ScanKernels& k) {
        SubjectScan scan(0, 1 << 30, 100, CodeRule(0, 1, nine), 0, histogram, CategorySinks{nullptr, nullptr, &forms});
        k.scanSubjects(piece.data(), piece.size(), scan);
    });
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* scenario = argc == 2 ? argv[1] : "";
    if (!std::strcmp(scenario, "kernels"))
        return kernels();
    if (!std::strcmp(scenario, "parse")) {
        ScoreCount count;
        count.observed.assign(101, 0.0);
        count.codes.highest = 1;
        bool counted = false;
        const double time = seconds([&] {
            counted = CountSimpleScores("binary-scores.dat", 1000000, 100, 0, count, ThreadCountFromEnvironment());
        });
        std::printf("(%d threads, score 50: %.0f) ", ThreadCountFromEnvironment(), count.observed[50]);
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
                         "binary-estimates-100k|graded-estimates|credit-estimates|kernels\n");
    return 64;
}
