#include "fit/FitEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

#include "fit/FitWarning.h"
#include "fit/ReportFiles.h"
#include "input/InputReader.h"
#include "input/ParameterTable.h"
#include "input/ScoreCounter.h"
#include "kernels/ScoreDistribution.h"
#include "kernels/Workers.h"
#include "model/ItemModels.h"
#include "model/ItemResponse.h"
#include "model/NodeSum.h"

namespace {

// What sets the engines apart, besides their item model.
struct ModelTraits {
    int categoryCount;  // per item
    int lowestCode;     // score of the lowest category
    bool readsCFile;
    bool checksThresholdOrder;  // graded thresholds must rise
    const char* parameterFile;  // what difficultyFile holds, in the user's words
    FitModel::Kind kind;
};

bool allFinite(const std::vector<float>& values)
{
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

// Reads one value per destination; false when the file cannot be opened.
bool readReals(const std::string& path, std::vector<float>& values, InputNotes& notes, const char* what)
{
    InputReader in(path);
    if (!in.isOpen())
        return false;
    for (float& value : values)
        value = in.readReal();
    notes.files.push_back(NotesOfReading(path, in, static_cast<std::int64_t>(values.size())));
    notes.files.back().what = what;
    return true;
}

// One kind of parameter from a file, or from its column(s) when the file
// is a table (DataTable.h): kFitSuccess, openError or kTableError.
FitResult readParameters(const std::string& path, ParameterKind kind, int thresholds, std::vector<float>& values,
                         InputNotes& notes, const char* what, FitExtras& extras, FitResult openError)
{
    if (!IsTableFileName(path))
        return readReals(path, values, notes, what) ? kFitSuccess : openError;
    const int m = static_cast<int>(values.size()) / std::max(thresholds, 1);
    ParameterColumns read;
    switch (ReadParameterColumns(path, kind, m, thresholds, extras.itemNames, read, extras.tableFault)) {
    case TableRead::NotOpened:
        return openError;
    case TableRead::Fault:
        return kTableError;
    case TableRead::Done:
        break;
    }
    values = std::move(read.values);
    if (extras.itemNames.empty())
        extras.itemNames = std::move(read.names);
    return kFitSuccess;
}

// The items (from 1) whose value fails the test.
template <typename Test>
std::vector<int> itemsWhere(const std::vector<float>& values, Test test)
{
    std::vector<int> items;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (test(values[i]))
            items.push_back(static_cast<int>(i) + 1);
    return items;
}

// Graded items whose thresholds, boundary by boundary, go down somewhere.
std::vector<int> decreasingThresholds(const ItemParameters& items)
{
    std::vector<int> found;
    const std::size_t m = static_cast<std::size_t>(items.itemCount);
    for (std::size_t i = 0; i < m; ++i)
        for (std::size_t k = 0; k + 2 < static_cast<std::size_t>(items.categoryCount); ++k)
            if (items.b[k * m + i] > items.b[(k + 1) * m + i]) {
                found.push_back(static_cast<int>(i) + 1);
                break;
            }
    return found;
}

// A score table's cell without an answer, in a run that had not taken
// answers as missing: it begins again, taking them so.
constexpr int kAnswersMissingInTable = -1;

// Each subject's total, counted by score row; subjects past the end of the
// file all have the total 0. A score table gives the run its subjects.
int countScores(FitRequest& request, const ScoreSheet* sheet, const ModelTraits& traits, std::int64_t firstScore,
                ScoreTable& table, InputNotes& notes, FitExtras& extras, bool missing)
{
    const std::int64_t N = std::max(request.subjectCount, 0);
    const int m = std::max(request.itemCount, 0);
    ScoreCount count;
    count.observed = std::move(table.observed);
    count.codes.lowest = traits.lowestCode;
    count.codes.highest = traits.lowestCode + traits.categoryCount - 1;
    const bool byCategory =
        m > 0 && traits.categoryCount >= 1 && traits.categoryCount <= kMostCountedCategories - (missing ? 1 : 0);
    if (missing) {
        count.missing = extras.missing;
        count.forms = AnswerForms(m, traits.categoryCount);
    }
    if (byCategory && extras.countItems)
        count.byItem = ItemCodeCounts(m, traits.categoryCount, missing);
    if (byCategory && extras.countPairs)
        count.pairs = PairCounts(m, traits.categoryCount, missing);
    // One thread reads faster number by number than in two passes.
    const int threads = FitThreadCount();
    bool counted = false;
    if (sheet) {
        std::int64_t subjects = 0;
        switch (CountSheetScores(*sheet, firstScore, missing, count, subjects, extras.tableFault, threads)) {
        case SheetCount::NotOpened:
            return kScoreFileError;
        case SheetCount::Fault:
            return kTableError;
        case SheetCount::AnswersMissing:
            return kAnswersMissingInTable;
        case SheetCount::Done:
            break;
        }
        if (subjects == 0 || subjects > std::numeric_limits<std::int32_t>::max()) {
            extras.tableFault = TableFault{sheet->path, 0, "",
                                            subjects == 0 ? "no subject below the header"
                                                          : "more subjects than 2,147,483,647"};
            return kTableError;
        }
        if (request.subjectCount != 0 && request.subjectCount != subjects) {
            extras.tableFault = TableFault{sheet->path, 0, "", "the table holds " + GroupDigits(subjects) +
                                                                    " subjects, where " +
                                                                    GroupDigits(request.subjectCount) + " were given"};
            return kTableSizeDiffers;
        }
        request.subjectCount = static_cast<std::int32_t>(subjects);
        if (request.useEstimates == 1)
            request.nodeCount = request.subjectCount;
        counted = true;
    } else {
        counted = (threads > 1 && CountSimpleScores(request.scoreFile, N, m, firstScore, count, threads)) ||
                  CountScores(request.scoreFile, N, m, firstScore, count);
    }
    table.observed = std::move(count.observed);
    if (byCategory) {
        extras.byItem = std::move(count.byItem);
        extras.pairs = std::move(count.pairs);
    }
    if (missing) {
        notes.withoutAnswers = count.forms.withoutAnswers();
        extras.forms = std::move(count.forms);
    }
    if (counted) {
        notes.files.push_back(count.file);
        notes.files.back().what = "scores";
        notes.codes = count.codes;
        notes.items = m;
    }
    return counted ? kFitSuccess : kScoreFileError;
}

// The points of the latent distribution with their weights, as far as the
// file holds them; tailCount more estimates read as 0, each of weight
// tailWeight.
struct Latent {
    std::vector<float> theta, weight;
    std::int64_t tailCount = 0;
    float tailWeight = 0.0f;
};

bool readLatent(const FitRequest& request, Latent& latent, InputNotes& notes)
{
    InputReader in(request.latentFile);
    if (!in.isOpen())
        return false;
    const std::int64_t Q = std::max(request.nodeCount, 0);
    const bool estimates = request.useEstimates == 1;
    if (estimates) {
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
            notes.weightSum += weight;
        }
        notes.weighed = true;
    }
    notes.files.push_back(NotesOfReading(request.latentFile, in, estimates ? Q : 2 * Q));
    notes.files.back().what = estimates ? "estimates" : "nodes";
    return true;
}

// N times the weighted score distribution of every item, with the
// estimates past the end of their file: the expected frequencies of a
// test taken whole, by total from the lowest.
void addExpected(const std::function<std::unique_ptr<ItemModel>()>& makeModel, const Latent& latent, double subjects,
                 std::vector<double>& sum, int threads, double* expected)
{
    std::fill(sum.begin(), sum.end(), 0.0);
    SumOverNodes(makeModel, latent.theta, latent.weight, sum, threads);
    if (latent.tailCount > 0) {
        std::vector<double> f(sum.size());
        makeModel()->distributionAt(0.0, f.data());
        AddWeighted(sum.data(), static_cast<double>(latent.tailCount) * latent.tailWeight, f.data(), sum.size());
    }
    for (std::size_t s = 0; s < sum.size(); ++s)
        expected[s] += subjects * sum[s];
}

// With answers missing: each form's subjects times the distribution of
// the form's total, added over the forms in their order.
void expectOverForms(const FitModel& model, const AnswerForms& forms, const Latent& latent, std::int64_t firstScore,
                     std::vector<double>& expected)
{
    const std::vector<AnswerForm>& list = forms.forms();
    const int K = model.items.categoryCount;
    const TaskThreads share = ShareThreadsAmongTasks(list.size(), FitThreadCount());
    struct Worker {
        ItemParameters items{0, 2};
        std::vector<double> sum, form;
    };
    std::vector<Worker> pool(share.workers);
    RunInOrder(
        list.size(), share.workers,
        [&](std::size_t f, std::size_t w) {
            Worker& worker = pool[w];
            worker.items = model.items.subset(list[f].items);
            const std::size_t rows = list[f].topTotal(K) + 1;
            worker.sum.resize(rows);
            worker.form.assign(rows, 0.0);
            addExpected([&] { return model.makeModel(worker.items); }, latent,
                        static_cast<double>(list[f].subjects), worker.sum, share.each, worker.form.data());
        },
        [&](std::size_t f, std::size_t w) {
            const std::int64_t lowest = static_cast<std::int64_t>(list[f].items.size()) * model.lowestCode;
            const std::vector<double>& form = pool[w].form;
            for (std::size_t s = 0; s < form.size(); ++s)
                expected[static_cast<std::size_t>(lowest - firstScore) + s] += form[s];
            return true;
        });
}

// The rows a run with answers missing reports: from the least total a
// form allows to the largest.
std::pair<std::int64_t, std::int64_t> formTotals(const AnswerForms& forms, const ModelTraits& traits)
{
    std::int64_t least = 0, most = 0;
    bool first = true;
    for (const AnswerForm& form : forms.forms()) {
        const std::int64_t n = static_cast<std::int64_t>(form.items.size());
        least = first ? n * traits.lowestCode : std::min(least, n * traits.lowestCode);
        most = std::max(most, n * (traits.lowestCode + traits.categoryCount - 1));
        first = false;
    }
    return {least, std::max(least, most)};
}

FitResult runFit(const FitRequest& asked, const ModelTraits& traits, ScoreTable* tableOut, FitWarnings* warnings,
                 FitExtras& extras, bool answersMissing)
{
    FitRequest request = asked;
    InputNotes notes;
    std::optional<ScoreSheet> sheet;
    extras.itemNames.clear();
    if (extras.scoresAsTable || IsTableFileName(request.scoreFile)) {
        extras.itemNames.clear();
        switch (OpenScoreSheet(request.scoreFile, extras.scoreColumns, sheet.emplace(), extras.tableFault)) {
        case TableRead::NotOpened:
            return kScoreFileError;
        case TableRead::Fault:
            return kTableError;
        case TableRead::Done:
            break;
        }
        if (request.itemCount != 0 && request.itemCount != sheet->items()) {
            extras.tableFault = TableFault{request.scoreFile, 1, "", "the table holds " + GroupDigits(sheet->items()) +
                                                                         " items, where " +
                                                                         GroupDigits(request.itemCount) + " were given"};
            return kTableSizeDiffers;
        }
        request.itemCount = sheet->items();
        extras.itemNames = sheet->itemNames();
    }
    const int m = std::max(request.itemCount, 0);
    const int K = std::max(traits.categoryCount, 1);
    // With answers missing, totals are counted from 0 and trimmed to the
    // forms' rows once the forms are known.
    const bool missing = !extras.missing.empty() || answersMissing;
    const std::int64_t countedFrom = missing ? 0 : std::int64_t{m} * traits.lowestCode;
    std::size_t rows = static_cast<std::size_t>(m) * (K - 1 + (missing ? traits.lowestCode : 0)) + 1;
    // The reports count their rows in 32 bits; so many would not fit in
    // memory anyway.
    if (rows > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return kOutOfMemory;

    FitModel model;
    model.kind = traits.kind;
    model.items = ItemParameters(m, K);
    model.D = request.metric == 0 ? 1.702 : 1.0;
    model.lowestCode = traits.lowestCode;
    model.parameterCount = traits.kind == FitModel::Kind::Graded          ? K
                           : traits.kind == FitModel::Kind::PartialCredit ? K - 1
                                                                          : request.parameterCount;
    ItemParameters& items = model.items;
    const bool polytomous = traits.kind != FitModel::Kind::Binary;
    // A table of the common discrimination's model may give each item's.
    const bool tableGivesA = request.parameterCount == 1 && IsTableFileName(request.difficultyFile) &&
                             TableHasColumn(request.difficultyFile, "a");
    extras.discriminationFromTable = tableGivesA;
    if (request.parameterCount == 1 && !tableGivesA) {
        std::fill(items.a.begin(), items.a.end(), static_cast<float>(request.discriminationConstant));
        if (!std::isfinite(static_cast<float>(request.discriminationConstant)))
            return kDiscriminationValueError;
        notes.constantNonpositive = m > 0 && static_cast<float>(request.discriminationConstant) <= 0.0f;
    } else if (request.parameterCount >= 1 && request.parameterCount <= 3) {
        const std::string& file = tableGivesA ? request.difficultyFile : request.discriminationFile;
        if (const FitResult read = readParameters(file, ParameterKind::Discrimination, 1, items.a, notes,
                                                  "discrimination", extras, kDiscriminationFileError))
            return read;
        if (!allFinite(items.a))
            return kDiscriminationValueError;
        notes.nonpositiveDiscrimination = itemsWhere(items.a, [](float a) { return a <= 0.0f; });
    }
    if (const FitResult read = readParameters(
            request.difficultyFile, polytomous ? ParameterKind::Thresholds : ParameterKind::Difficulty,
            polytomous ? K - 1 : 1, items.b, notes, traits.parameterFile, extras, kDifficultyFileError))
        return read;
    if (!allFinite(items.b))
        return kDifficultyValueError;
    if (traits.checksThresholdOrder)
        notes.decreasingThresholds = decreasingThresholds(items);
    if (traits.readsCFile && request.parameterCount == 3) {
        if (const FitResult read =
                readParameters(request.cFile, ParameterKind::C, 1, items.c, notes, "C indices", extras, kCFileError))
            return read;
        if (!allFinite(items.c))
            return kCValueError;
        notes.cOutside = itemsWhere(items.c, [](float c) { return c < 0.0f || c >= 1.0f; });
    }

    // Only each subject's total matters, so the score matrix is never kept.
    ScoreTable table;
    table.observed.assign(rows, 0.0);
    if (const int counted = countScores(request, sheet ? &*sheet : nullptr, traits, countedFrom, table, notes, extras,
                                        missing)) {
        if (counted == kAnswersMissingInTable)
            return runFit(asked, traits, tableOut, warnings, extras, true);
        return static_cast<FitResult>(counted);
    }
    const std::int64_t N = std::max(request.subjectCount, 0);
    std::int64_t firstScore = countedFrom;
    if (missing) {
        const auto [least, most] = formTotals(extras.forms, traits);
        table.observed.erase(table.observed.begin() + most + 1, table.observed.end());
        table.observed.erase(table.observed.begin(), table.observed.begin() + least);
        firstScore = least;
        rows = table.observed.size();
    }
    table.firstScore = static_cast<std::int32_t>(firstScore);

    Latent latent;
    if (!readLatent(request, latent, notes))
        return kLatentFileError;
    if (!allFinite(latent.theta) || !allFinite(latent.weight) || !std::isfinite(latent.tailWeight))
        return kLatentValueError;

    if (warnings)
        warnings->found = DescribeInputNotes(notes);

    auto reports = std::make_shared<ReportFiles>();
    if (!reports->created())
        return kReportFileError;

    table.expected.assign(rows, 0.0);
    if (missing) {
        expectOverForms(model, extras.forms, latent, firstScore, table.expected);
    } else {
        std::vector<double> sum(rows);
        addExpected([&] { return model.makeModel(); }, latent, static_cast<double>(N), sum, FitThreadCount(),
                    table.expected.data());
    }
    const double tailWeight = static_cast<double>(latent.tailCount) * latent.tailWeight;

    // The graph report is read back in single precision: no report may
    // hold a number beyond it, let alone one that is no number at all.
    const auto readable = [](double value) { return std::abs(value) <= std::numeric_limits<float>::max(); };
    bool inRange = true;
    for (std::size_t s = 0; s < rows; ++s) {
        const double expected = table.expected[s];
        inRange = inRange && readable(expected);
        if (expected > 0.0) {
            const double d = table.observed[s] - expected;
            table.chiSquare += d * d / expected;
        }
    }
    if (!inRange || !readable(table.chiSquare))
        return kResultOutOfRange;
    if (!reports->write(table) || (!extras.keepReports && !reports->place()))
        return kReportFileError;
    extras.subjects = N;
    extras.table = table;
    model.theta = std::move(latent.theta);
    model.weight = std::move(latent.weight);
    // The estimates past the end of their file, all 0, as one point.
    if (latent.tailCount > 0) {
        model.theta.push_back(0.0f);
        model.weight.push_back(static_cast<float>(tailWeight));
    }
    extras.model = std::move(model);
    if (extras.keepReports)
        extras.reports = std::move(reports);
    if (tableOut)
        *tableOut = std::move(table);
    return kFitSuccess;
}

FitResult runFitGuarded(const FitRequest& request, const ModelTraits& traits, ScoreTable* table,
                        FitWarnings* warnings, FitExtras* extras)
{
    try {
        // Every run has extras: tables say there what is wrong with them.
        FitExtras own;
        return runFit(request, traits, table, warnings, extras ? *extras : own, false);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (const std::length_error&) {
        return kOutOfMemory;
    }
}

}  // namespace

FitResult FitBinaryModel(const FitRequest& request, ScoreTable* table, FitWarnings* warnings, FitExtras* extras)
{
    static constexpr ModelTraits traits{2, 0, true, false, "difficulty", FitModel::Kind::Binary};
    return runFitGuarded(request, traits, table, warnings, extras);
}

FitResult FitGradedModel(const FitRequest& request, ScoreTable* table, FitWarnings* warnings, FitExtras* extras)
{
    const ModelTraits traits{request.categoryCount, 1, false, true, "thresholds", FitModel::Kind::Graded};
    return runFitGuarded(request, traits, table, warnings, extras);
}

FitResult FitPartialCreditModel(const FitRequest& request, ScoreTable* table, FitWarnings* warnings,
                                FitExtras* extras)
{
    const ModelTraits traits{request.categoryCount, 1, false, false, "steps", FitModel::Kind::PartialCredit};
    return runFitGuarded(request, traits, table, warnings, extras);
}
