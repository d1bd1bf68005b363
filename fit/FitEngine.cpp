#include "fit/FitEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "fit/InputReader.h"
#include "fit/ItemModels.h"
#include "fit/ItemResponse.h"
#include "fit/NodeSum.h"
#include "fit/ReportFiles.h"
#include "fit/ScoreCounter.h"
#include "fit/ScoreDistribution.h"
#include "fit/Workers.h"

namespace {

// What sets the engines apart, besides their item model.
struct ModelTraits {
    int categoryCount;  // per item
    int lowestCode;     // score of the lowest category
    bool readsCFile;
    std::unique_ptr<ItemModel> (*makeModel)(const ItemParameters&, const FitRequest&);
};

bool allFinite(const std::vector<float>& values)
{
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

// Reads one value per destination; false when the file cannot be opened.
bool readReals(const std::string& path, std::vector<float>& values)
{
    InputReader in(path);
    if (!in.isOpen())
        return false;
    for (float& value : values)
        value = in.readReal();
    return true;
}

// Each subject's total, counted by score row; subjects past the end of the
// file all have the total 0.
bool countScores(const FitRequest& request, std::int64_t firstScore, ScoreTable& table)
{
    const std::int64_t N = std::max(request.subjectCount, 0);
    const int m = std::max(request.itemCount, 0);
    // One thread reads faster number by number than in two passes.
    const int threads = FitThreadCount();
    return (threads > 1 && CountSimpleScores(request.scoreFile, N, m, firstScore, table.observed, threads)) ||
           CountScores(request.scoreFile, N, m, firstScore, table.observed);
}

// The points of the latent distribution with their weights, as far as the
// file holds them; tailCount more estimates read as 0, each of weight
// tailWeight.
struct Latent {
    std::vector<float> theta, weight;
    std::int64_t tailCount = 0;
    float tailWeight = 0.0f;
};

bool readLatent(const FitRequest& request, Latent& latent)
{
    InputReader in(request.latentFile);
    if (!in.isOpen())
        return false;
    const std::int64_t Q = std::max(request.nodeCount, 0);
    if (request.useEstimates == 1) {
        const float weight = 1.0f / static_cast<float>(std::max(request.subjectCount, 0));
        for (std::int64_t q = 0; q < Q; ++q) {
            const float theta = in.readReal();
            if (in.failed()) {
                latent.tailCount = Q - q;
                latent.tailWeight = weight;
                break;
            }
            latent.theta.push_back(theta);
            latent.weight.push_back(weight);
        }
    } else {
        // A node whose weight cannot be read weighs 0, and so do all after it.
        for (std::int64_t q = 0; q < Q; ++q) {
            const float theta = in.readReal();
            const float weight = in.readReal();
            if (in.failed())
                break;
            latent.theta.push_back(theta);
            latent.weight.push_back(weight);
        }
    }
    return true;
}

FitResult runFit(const FitRequest& request, const ModelTraits& traits, ScoreTable* tableOut)
{
    const int m = std::max(request.itemCount, 0);
    const int K = std::max(traits.categoryCount, 1);
    const std::int64_t N = std::max(request.subjectCount, 0);
    const std::int64_t firstScore = std::int64_t{m} * traits.lowestCode;
    const std::size_t rows = static_cast<std::size_t>(m) * (K - 1) + 1;
    // The reports count their rows in 32 bits; so many would not fit in
    // memory anyway.
    if (rows > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return kOutOfMemory;

    ItemParameters items(m, K);
    if (request.parameterCount == 1) {
        std::fill(items.a.begin(), items.a.end(), static_cast<float>(request.discriminationConstant));
        if (!std::isfinite(static_cast<float>(request.discriminationConstant)))
            return kDiscriminationValueError;
    } else if (request.parameterCount == 2 || request.parameterCount == 3) {
        if (!readReals(request.discriminationFile, items.a))
            return kDiscriminationFileError;
        if (!allFinite(items.a))
            return kDiscriminationValueError;
    }
    if (!readReals(request.difficultyFile, items.b))
        return kDifficultyFileError;
    if (!allFinite(items.b))
        return kDifficultyValueError;
    if (traits.readsCFile && request.parameterCount == 3) {
        if (!readReals(request.cFile, items.c))
            return kCFileError;
        if (!allFinite(items.c))
            return kCValueError;
    }

    // Only each subject's total matters, so the score matrix is never kept.
    ScoreTable table;
    table.firstScore = static_cast<std::int32_t>(firstScore);
    table.observed.assign(rows, 0.0);
    if (!countScores(request, firstScore, table))
        return kScoreFileError;

    Latent latent;
    if (!readLatent(request, latent))
        return kLatentFileError;
    if (!allFinite(latent.theta) || !allFinite(latent.weight) || !std::isfinite(latent.tailWeight))
        return kLatentValueError;

    std::vector<double> sum(rows, 0.0);
    ReportFiles reports;
    if (!reports.created())
        return kReportFileError;

    const auto makeModel = [&] { return traits.makeModel(items, request); };
    SumOverNodes(makeModel, latent.theta, latent.weight, sum, FitThreadCount());
    if (latent.tailCount > 0) {
        std::vector<double> f(rows);
        makeModel()->distributionAt(0.0, f.data());
        AddWeighted(sum.data(), static_cast<double>(latent.tailCount) * latent.tailWeight, f.data(), rows);
    }

    // The graph report is read back in single precision: no report may
    // hold a number beyond it, let alone one that is no number at all.
    const auto readable = [](double value) { return std::abs(value) <= std::numeric_limits<float>::max(); };
    table.expected.resize(rows);
    bool inRange = true;
    for (std::size_t s = 0; s < rows; ++s) {
        const double expected = static_cast<double>(N) * sum[s];
        table.expected[s] = expected;
        inRange = inRange && readable(expected);
        if (expected > 0.0) {
            const double d = table.observed[s] - expected;
            table.chiSquare += d * d / expected;
        }
    }
    if (!inRange || !readable(table.chiSquare))
        return kResultOutOfRange;
    if (!reports.publish(table))
        return kReportFileError;
    if (tableOut)
        *tableOut = std::move(table);
    return kFitSuccess;
}

FitResult runFitGuarded(const FitRequest& request, const ModelTraits& traits, ScoreTable* table)
{
    try {
        return runFit(request, traits, table);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (const std::length_error&) {
        return kOutOfMemory;
    }
}

}  // namespace

FitResult FitBinaryModel(const FitRequest& request, ScoreTable* table)
{
    static constexpr ModelTraits traits{
        2, 0, true, [](const ItemParameters& items, const FitRequest& r) -> std::unique_ptr<ItemModel> {
            return std::make_unique<BinaryItems>(items, r.metric == 0 ? 1.702 : 1.0);
        }};
    return runFitGuarded(request, traits, table);
}

FitResult FitGradedModel(const FitRequest& request, ScoreTable* table)
{
    const ModelTraits traits{
        request.categoryCount, 1, false,
        [](const ItemParameters& items, const FitRequest&) -> std::unique_ptr<ItemModel> {
            return std::make_unique<PolytomousItems>(items, GradedCategoryProbabilities);
        }};
    return runFitGuarded(request, traits, table);
}

FitResult FitPartialCreditModel(const FitRequest& request, ScoreTable* table)
{
    const ModelTraits traits{
        request.categoryCount, 1, false,
        [](const ItemParameters& items, const FitRequest&) -> std::unique_ptr<ItemModel> {
            return std::make_unique<PolytomousItems>(items, PartialCreditProbabilities);
        }};
    return runFitGuarded(request, traits, table);
}
