#include "analysis/Analysis.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "fit/ReportFile.h"
#include "tests/FailingAllocation.h"
#include "tests/ShippedExample.h"
#include "tests/TempDirectory.h"

namespace {

std::vector<std::vector<int>> readScores(const std::string& path, int items)
{
    std::ifstream in(path);
    std::vector<std::vector<int>> subjects;
    for (std::vector<int> row(static_cast<std::size_t>(items)); in >> row[0];) {
        for (int i = 1; i < items; ++i)
            in >> row[static_cast<std::size_t>(i)];
        subjects.push_back(row);
    }
    return subjects;
}

void writeScores(const std::string& path, const std::vector<std::vector<int>>& subjects)
{
    std::ofstream out(path);
    for (const std::vector<int>& row : subjects) {
        for (const int code : row)
            out << code << ' ';
        out << '\n';
    }
}

class AnalysisTest : public InTempDirectory {
protected:
    // The 3PL example on 20 nodes, its scores from scores.dat here.
    static AnalysisRequest example(int subjects = 1000)
    {
        AnalysisRequest request;
        request.fit = ShippedExampleRequest("3pl", "nodes20");
        request.fit.subjectCount = subjects;
        request.fit.scoreFile = "scores.dat";
        request.countItems = request.countPairs = true;
        return request;
    }
    static std::vector<std::vector<int>> exampleScores()
    {
        return readScores(std::string(TALVER_EXAMPLES_DIR) + "/3pl-scores.dat", 20);
    }
};

// The reports are put in place by publish() alone; a run asked to stop on
// any warning fails with its own status and leaves the earlier ones.
TEST_F(AnalysisTest, ReportsArePublishedLastAndOnlyOnSuccess)
{
    std::vector<std::vector<int>> scores = exampleScores();
    writeScores("scores.dat", scores);
    write("OUT", "earlier");
    Analysis analysis(example());
    ASSERT_EQ(analysis.fit(), kAnalysisSuccess);
    EXPECT_EQ(read("OUT"), "earlier");
    EXPECT_TRUE(analysis.warnings().empty());
    ASSERT_EQ(analysis.publish(), kAnalysisSuccess);
    EXPECT_EQ(read("OUT"), FormatFitReport(analysis.table()));
    EXPECT_EQ(read("OUTG"), FormatGraphReport(analysis.table()));

    scores[3][4] = 9;
    writeScores("scores.dat", scores);
    write("OUT", "earlier");
    AnalysisRequest strict = example();
    strict.strict = true;
    Analysis refused(strict);
    EXPECT_EQ(refused.runWhole(0, 1), kWarningsRefused);
    EXPECT_EQ(refused.warnings().size(), 1u);
    EXPECT_NE(refused.describe(kWarningsRefused, ".").find("OUT and OUTG were not replaced"), std::string::npos);
    EXPECT_EQ(read("OUT"), "earlier");
}

// Memory that runs out at any allocation of any step (the engine, the item
// fit, the pairs, the simulation, on any thread) gives kOutOfMemory, and the
// earlier reports stay.
TEST_F(AnalysisTest, MemoryRunningOutAnywhereGivesItsStatus)
{
    writeScores("scores.dat", exampleScores());
    const auto run = [] {
        return Guarded([&] {
            Analysis analysis(example(300));
            const AnalysisStatus status = analysis.runWhole(8, 1);
            return status == kAnalysisSuccess ? analysis.publish() : status;
        });
    };
    g_allocationsLeft = 1L << 40;
    ASSERT_EQ(run(), kAnalysisSuccess);
    const long allocations = (1L << 40) - g_allocationsLeft.exchange(-1);
    ASSERT_GT(allocations, 100);
    const std::string out = read("OUT");
    write("OUT", "earlier");
    int failed = 0;
    // Every allocation near the start, then a spread over the rest.
    for (long n = 0; n < allocations; n += n < 200 ? 1 : allocations / 300) {
        g_allocationsLeft = n;
        const AnalysisStatus status = run();
        g_allocationsLeft = -1;
        ASSERT_TRUE(status == kAnalysisOutOfMemory || status == kAnalysisSuccess) << "allocation " << n << ": " << status;
        if (status == kAnalysisOutOfMemory) {
            ASSERT_EQ(read("OUT"), "earlier") << "allocation " << n;
            ++failed;
        } else {
            write("OUT", "earlier");
        }
    }
    EXPECT_GT(failed, 200);
    EXPECT_EQ(run(), kAnalysisSuccess);
    EXPECT_EQ(read("OUT"), out);
}

// Each step of a whole run reports under its own name while it is the step
// under way: "item fit" before the item fit exists, "pairs" after it and
// before the pairs, "simulation" after both; in that order, each once, its
// shares within 0 … 1 and its last one the whole.
TEST_F(AnalysisTest, EachStepReportsUnderItsOwnName)
{
    writeScores("scores.dat", exampleScores());
    Analysis analysis(example(300));
    struct Told {
        std::string step;
        double share;
        bool itemFit, pairs;
    };
    std::mutex mutex;  // the simulation's workers report at once
    std::vector<Told> told;
    ASSERT_EQ(analysis.runWhole(20, 1,
                                [&](const char* step, double share) {
                                    const std::lock_guard<std::mutex> lock(mutex);
                                    told.push_back({step, share, analysis.itemFit() != nullptr,
                                                    analysis.pairs() != nullptr});
                                }),
              kAnalysisSuccess);
    std::vector<std::string> steps;
    std::map<std::string, double> last;
    for (const Told& t : told) {
        if (steps.empty() || steps.back() != t.step)
            steps.push_back(t.step);
        EXPECT_GE(t.share, 0.0) << t.step;
        EXPECT_LE(t.share, 1.0) << t.step;
        last[t.step] = std::max(last[t.step], t.share);
        const bool itemFitStep = t.step == "item fit";
        EXPECT_EQ(t.itemFit, !itemFitStep) << t.step << " at " << t.share;
        EXPECT_EQ(t.pairs, t.step == "simulation") << t.step << " at " << t.share;
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"item fit", "pairs", "simulation"}));
    for (const auto& [step, share] : last)
        EXPECT_EQ(share, 1.0) << step;
}

// Subjects with a code out of range are left out of the item fit and the
// pairs, and so are they out of those statistics' replicates: their
// simulated p-values are those of the data without them.
TEST_F(AnalysisTest, ReplicatesDrawTheSubjectsTheStatisticsCounted)
{
    std::vector<std::vector<int>> scores = exampleScores(), counted;
    for (std::size_t j = 0; j < scores.size(); ++j) {
        if (j % 3 == 0)
            scores[j][static_cast<std::size_t>(j % 20)] = 9;
        else
            counted.push_back(scores[j]);
    }
    writeScores("scores.dat", scores);
    writeScores("counted.dat", counted);
    Analysis all(example());
    ASSERT_EQ(all.runWhole(40, 7), kAnalysisSuccess);
    AnalysisRequest request = example(static_cast<int>(counted.size()));
    request.fit.scoreFile = "counted.dat";
    Analysis some(request);
    ASSERT_EQ(some.runWhole(40, 7), kAnalysisSuccess);

    ASSERT_EQ(all.itemFit()->subjects, static_cast<double>(counted.size()));
    EXPECT_EQ(all.simulated()->itemP, some.simulated()->itemP);
    EXPECT_EQ(all.simulated()->pairP, some.simulated()->pairP);
    // The test level counts everyone.
    EXPECT_NE(all.table().observed, some.table().observed);
}

// Each simulated p comes from its own statistic's upper tail: data drawn
// from the model keep theirs away from 0, an item answered at random and a
// pair answered alike get the smallest possible, and so does the whole
// test when everyone scores the same.
TEST_F(AnalysisTest, SimulatedPValuesComeFromTheUpperTail)
{
    constexpr std::uint64_t kReplicates = 99;
    const double smallest = 1.0 / (kReplicates + 1);
    std::vector<std::vector<int>> scores = exampleScores();
    writeScores("scores.dat", scores);
    Analysis fitting(example());
    ASSERT_EQ(fitting.runWhole(kReplicates, 3), kAnalysisSuccess);
    const MonteCarloResult& fit = *fitting.simulated();
    EXPECT_GT(fit.chiSquareP, 0.05);
    EXPECT_GT(fit.pooledChiSquareP, 0.05);
    EXPECT_GT(fit.likelihoodRatioP, 0.05);
    int small = 0;
    for (const double p : fit.itemP)
        small += p <= 0.02;
    EXPECT_LE(small, 1);

    unsigned state = 5;
    for (std::vector<int>& row : scores) {
        state = state * 1103515245u + 12345u;
        row[0] = (state >> 16) & 1;  // at random
        row[2] = row[1];             // the same as the item before
    }
    writeScores("scores.dat", scores);
    Analysis misfitting(example());
    ASSERT_EQ(misfitting.runWhole(kReplicates, 3), kAnalysisSuccess);
    const MonteCarloResult& misfit = *misfitting.simulated();
    EXPECT_EQ(misfit.itemP[0], smallest);
    EXPECT_GT(misfit.itemP[5], 0.02);
    const std::vector<LocalDependence::Pair>& pairs = misfitting.pairs()->pairs;
    int others = 0, smallOthers = 0;
    for (std::size_t k = 0; k < pairs.size(); ++k)
        if (pairs[k].first == 2 && pairs[k].second == 3) {
            EXPECT_EQ(misfit.pairP[k], smallest);
        } else if (pairs[k].first > 3) {
            ++others;
            smallOthers += misfit.pairP[k] <= 0.02;
        }
    EXPECT_LE(smallOthers, others / 20);

    for (std::vector<int>& row : scores)
        std::fill(row.begin(), row.end(), 1);
    writeScores("scores.dat", scores);
    Analysis flat(example());
    ASSERT_EQ(flat.runWhole(kReplicates, 3), kAnalysisSuccess);
    EXPECT_EQ(flat.simulated()->chiSquareP, smallest);
    EXPECT_EQ(flat.simulated()->pooledChiSquareP, smallest);
    EXPECT_EQ(flat.simulated()->likelihoodRatioP, smallest);
}

}  // namespace
