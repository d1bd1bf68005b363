#include "fit/FitEngine.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "fit/InputReader.h"
#include "fit/ItemModels.h"
#include "fit/ItemResponse.h"
#include "fit/ReportFile.h"

namespace {

// What sets the engines apart, besides their item model.
struct ModelTraits {
    int categoryCount;  // per item
    int lowestCode;     // score of the lowest category
    bool readsCFile;
    std::unique_ptr<ItemModel> (*makeModel)(const ItemParameters&, const FitRequest&);
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool readReals(const std::string& path, std::vector<float>& values)
{
    InputReader in(path);
    if (!in.isOpen())
        return false;
    for (float& value : values)
        value = in.readReal();
    return true;
}

FitResult runFit(const FitRequest& request, const ModelTraits& traits)
{
    const int m = std::max(request.itemCount, 0);
    const int K = std::max(traits.categoryCount, 1);
    const std::int64_t N = std::max(request.subjectCount, 0);
    const std::size_t Q = std::max(request.nodeCount, 0);
    const std::int64_t firstScore = std::int64_t{m} * traits.lowestCode;
    const std::size_t rows = static_cast<std::size_t>(m) * (K - 1) + 1;

    ItemParameters items(m, K);
    if (request.parameterCount == 1) {
        std::fill(items.a.begin(), items.a.end(), static_cast<float>(request.discriminationConstant));
    } else if (request.parameterCount == 2 || request.parameterCount == 3) {
        if (!readReals(request.discriminationFile, items.a))
            return kDiscriminationFileError;
    }
    if (!readReals(request.difficultyFile, items.b))
        return kDifficultyFileError;
    if (traits.readsCFile && request.parameterCount == 3 && !readReals(request.cFile, items.c))
        return kCFileError;

    // Only each subject's total matters, so the score matrix is never kept.
    ScoreTable table;
    table.firstScore = static_cast<std::int32_t>(firstScore);
    table.observed.assign(rows, 0.0);
    {
        InputReader in(request.scoreFile);
        if (!in.isOpen())
            return kScoreFileError;
        for (std::int64_t j = 0; j < N; ++j) {
            std::int64_t total = 0;
            for (int i = 0; i < m; ++i)
                total += in.readInteger();
            const std::int64_t row = total - firstScore;
            if (row >= 0 && static_cast<std::uint64_t>(row) < rows)
                table.observed[row] += 1.0;
        }
    }

    std::vector<float> theta(Q), weight(Q);
    {
        InputReader in(request.latentFile);
        if (!in.isOpen())
            return kLatentFileError;
        const float estimateWeight = 1.0f / static_cast<float>(N);
        for (std::size_t q = 0; q < Q; ++q) {
            theta[q] = in.readReal();
            weight[q] = request.useEstimates == 1 ? estimateWeight : in.readReal();
        }
    }

    const std::unique_ptr<ItemModel> model = traits.makeModel(items, request);
    std::vector<double> f(rows), sum(rows, 0.0);

    File out(std::fopen(kReportFile, "w"));
    if (!out)
        return kReportFileError;
    File outg(std::fopen(kGraphReportFile, "w"));
    if (!outg)
        return kReportFileError;

    for (std::size_t q = 0; q < Q; ++q) {
        model->distributionAt(theta[q], f.data());
        const double w = weight[q];
        for (std::size_t s = 0; s < rows; ++s)
            sum[s] += w * f[s];
    }

    table.expected.resize(rows);
    for (std::size_t s = 0; s < rows; ++s) {
        const double expected = static_cast<double>(N) * sum[s];
        table.expected[s] = expected;
        if (expected > 0.0) {
            const double d = table.observed[s] - expected;
            table.chiSquare += d * d / expected;
        }
    }
    WriteFitReport(out.get(), outg.get(), table);
    return kFitSuccess;
}

FitResult runFitGuarded(const FitRequest& request, const ModelTraits& traits)
{
    try {
        return runFit(request, traits);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (const std::length_error&) {
        return kOutOfMemory;
    }
}

}  // namespace

FitResult FitBinaryModel(const FitRequest& request)
{
    static constexpr ModelTraits traits{
        2, 0, true, [](const ItemParameters& items, const FitRequest& r) -> std::unique_ptr<ItemModel> {
            return std::make_unique<BinaryItems>(items, r.metric == 0 ? 1.702 : 1.0);
        }};
    return runFitGuarded(request, traits);
}

FitResult FitGradedModel(const FitRequest& request)
{
    const ModelTraits traits{
        request.categoryCount, 1, false,
        [](const ItemParameters& items, const FitRequest&) -> std::unique_ptr<ItemModel> {
            return std::make_unique<PolytomousItems>(items, GradedCategoryProbabilities);
        }};
    return runFitGuarded(request, traits);
}

FitResult FitPartialCreditModel(const FitRequest& request)
{
    const ModelTraits traits{
        request.categoryCount, 1, false,
        [](const ItemParameters& items, const FitRequest&) -> std::unique_ptr<ItemModel> {
            return std::make_unique<PolytomousItems>(items, PartialCreditProbabilities);
        }};
    return runFitGuarded(request, traits);
}
