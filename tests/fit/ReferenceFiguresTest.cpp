// The engines against figures worked out apart from them, so that a change
// that breaks an engine and its own checks alike still fails.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fit/FitEngine.h"
#include "tests/TempDirectory.h"

namespace {

namespace fs = std::filesystem;

// Printed by tests/reference/chi_square.py: plain Python doubles, the model
// formulas written out anew, the total-score distribution convolved item
// by item.
struct Reference {
    const char* model;
    const char* latent;  // nodes20, nodes51 or estimates
    double chiSquare;
};
const Reference kReferences[] = {
    {"1pl", "nodes20", 12.2706356401},   {"1pl", "nodes51", 11.9312575788},   {"1pl", "estimates", 11.5346096714},
    {"2pl", "nodes20", 23.5367807322},   {"2pl", "nodes51", 24.5743275783},   {"2pl", "estimates", 22.1869397967},
    {"3pl", "nodes20", 16.7218473713},   {"3pl", "nodes51", 16.6124402295},   {"3pl", "estimates", 16.4001431324},
    {"grm", "nodes20", 26.8232836927},   {"grm", "nodes51", 26.8296336500},   {"grm", "estimates", 27.5023993886},
    {"pcm", "nodes20", 33.5334800652},   {"pcm", "nodes51", 34.2878600777},   {"pcm", "estimates", 34.2060051338},
};

std::string example(const std::string& name) { return (fs::path(TALVER_EXAMPLES_DIR) / name).string(); }

FitRequest exampleRequest(const std::string& model, const std::string& latent)
{
    const bool polytomous = model == "grm" || model == "pcm";
    FitRequest r;
    r.subjectCount = 1000;
    r.itemCount = polytomous ? 10 : 20;
    r.categoryCount = polytomous ? 4 : 0;
    r.parameterCount = model == "1pl" || model == "pcm" ? 1 : model == "2pl" ? 2 : 3;
    r.discriminationConstant = r.parameterCount == 1 ? 1.0 : 0.0;
    r.discriminationFile = example(model + "-discrimination.dat");
    r.difficultyFile = example(model + (model == "grm" ? "-thresholds.dat" : model == "pcm" ? "-steps.dat" : "-difficulty.dat"));
    r.cFile = example(model + "-c.dat");
    r.scoreFile = example(model + "-scores.dat");
    r.useEstimates = latent == "estimates";
    r.latentFile = r.useEstimates ? example(model + "-estimates.dat") : example(latent + ".dat");
    r.nodeCount = r.useEstimates ? 1000 : latent == "nodes20" ? 20 : 51;
    return r;
}

FitResult run(const std::string& model, const FitRequest& r, ScoreTable& table, FitWarnings* warnings = nullptr)
{
    return model == "grm" ? FitGradedModel(r, &table, warnings)
         : model == "pcm" ? FitPartialCreditModel(r, &table, warnings)
                          : FitBinaryModel(r, &table, warnings);
}

}  // namespace

// The shipped examples are clean: no warning about their input either.
TEST(ReferenceFiguresTest, EveryShippedExample)
{
    TempDirectory folder;
    for (const Reference& reference : kReferences) {
        ScoreTable table;
        FitWarnings warnings;
        ASSERT_EQ(run(reference.model, exampleRequest(reference.model, reference.latent), table, &warnings),
                  kFitSuccess);
        EXPECT_TRUE(warnings.found.empty()) << reference.model << " " << reference.latent << ": "
                                            << (warnings.found.empty() ? "" : warnings.found[0].message);
        EXPECT_NEAR(table.chiSquare, reference.chiSquare, 1e-9 * reference.chiSquare)
            << reference.model << " " << reference.latent;
    }
}

// The 1-parameter example 220 times over with Windows line ends, 9 MB,
// counted in parts on two threads: every observed and expected frequency
// 220 times the example's, so the chi-square is too.
TEST(ReferenceFiguresTest, LargeCrLfFileOnTwoThreads)
{
    TempDirectory folder;
    const int copies = 220;
    std::string crlf;
    for (const char c : TempDirectory::read(example("1pl-scores.dat")))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string scores;
    for (int k = 0; k < copies; ++k)
        scores += crlf;
    ASSERT_GT(scores.size(), 8u << 20);  // above what the parallel counter takes
    TempDirectory::write("scores.dat", scores);

    RunRequest r;
    r.fit = exampleRequest("1pl", "nodes20");
    r.countItems = true;
    RunOutcome once;
    ASSERT_EQ(FitBinaryModel(r, once), kFitSuccess);
    r.fit.subjectCount *= copies;
    r.fit.scoreFile = "scores.dat";
    r.threads = 2;
    RunOutcome parts;
    ASSERT_EQ(FitBinaryModel(r, parts), kFitSuccess);
    const ScoreTable& table = parts.table;
    EXPECT_NEAR(table.chiSquare, copies * 12.2706356401, 1e-9 * copies * 12.2706356401);
    // The subjects by item, counted in parts: the example's, that many times.
    for (std::size_t total = 0; total < once.byItem.totals(); ++total) {
        ASSERT_EQ(parts.byItem.subjects(total), copies * once.byItem.subjects(total)) << total;
        for (int i = 0; i < 20; ++i)
            ASSERT_EQ(parts.byItem.count(total, i, 1), copies * once.byItem.count(total, i, 1)) << total;
    }
}
