#include "fit/FitEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "fit/FitWarning.h"
#include "fit/OutFiles.h"
#include "input/InputReader.h"
#include "input/ParameterTable.h"
#include "input/ScoreCounter.h"
#include "kernels/ResourceGuard.h"
#include "kernels/ScoreDistribution.h"
#include "model/ForEachForm.h"
#include "model/ItemModels.h"
#include "model/ItemResponse.h"
#include "model/ModelRules.h"
#include "model/NodeSum.h"

namespace {

// What sets the engines apart, besides their item model.
struct ModelTraits {
    FitModel::Kind kind;
    int categoryCount;          // per item
    ModelCodes codes;           // of the lowest and highest category
    FileRole parameterFile;  // what difficultyFile holds

    ModelTraits(FitModel::Kind kind, int categories)
        : kind(kind),
          categoryCount(CategoriesOf(kind, categories)),
          codes(CodesOf(kind, categories)),
          parameterFile(DifficultyFileRole(kind))
    {
    }
    bool readsCFile() const { return kind == FitModel::Kind::Binary; }
    bool checksThresholdOrder() const { return kind == FitModel::Kind::Graded; }  // they must rise
};

bool allFinite(const std::vector<float>& values)
{
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

// Reads one value per destination; false when the file cannot be opened.
bool readReals(const std::string& path, std::vector<float>& values, InputNotes& notes, FileRole what)
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
                         InputNotes& notes, FileRole what, RunOutcome& outcome, FitResult openError)
{
    if (!IsTableFileName(path))
        return readReals(path, values, notes, what) ? kFitSuccess : openError;
    const int m = static_cast<int>(values.size()) / std::max(thresholds, 1);
    ParameterColumns read;
    if (const FitResult result = TableReadResult(
            ReadParameterColumns(path, kind, m, thresholds, outcome.itemNames, read, outcome.tableFault), openError))
        return result;
    values = std::move(read.values);
    if (outcome.itemNames.empty())
        outcome.itemNames = std::move(read.names);
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
    notes.files.back().what = estimates ? FileRole::Estimates : FileRole::Nodes;
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
                     int threads, std::vector<double>& expected)
{
    const std::vector<AnswerForm>& list = forms.forms();
    const int K = model.items.categoryCount;
    struct Scratch {
        std::vector<double> sum, form;
    };
    ForEachForm<Scratch>(
        model.items, forms, threads,
        [&](std::size_t f, const ItemParameters& items, int each, Scratch& scratch) {
            const std::size_t rows = list[f].topTotal(K) + 1;
            scratch.sum.resize(rows);
            scratch.form.assign(rows, 0.0);
            addExpected([&] { return model.makeModel(items); }, latent, static_cast<double>(list[f].subjects),
                        scratch.sum, each, scratch.form.data());
        },
        [&](std::size_t f, const Scratch& scratch) {
            const std::int64_t lowest = static_cast<std::int64_t>(list[f].items.size()) * model.lowestCode;
            for (std::size_t s = 0; s < scratch.form.size(); ++s)
                expected[static_cast<std::size_t>(lowest - firstScore) + s] += scratch.form[s];
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
        least = first ? n * traits.codes.lowest : std::min(least, n * traits.codes.lowest);
        most = std::max(most, n * traits.codes.highest);
        first = false;
    }
    return {least, std::max(least, most)};
}

// One run of an engine, step by step. A step returns kFitSuccess to go on,
// or what ends the run.
class EngineRun {
public:
    EngineRun(const RunRequest& asked, const ModelTraits& traits, RunOutcome& outcome, bool answersMissing)
        : asked_(asked),
          request_(asked.fit),
          traits_(traits),
          outcome_(outcome),
          missing_(!asked.missing.empty() || answersMissing)
    {
    }

    int run()
    {
        for (const auto step : {&EngineRun::openScoreSheet, &EngineRun::sizeRows, &EngineRun::readItems,
                                &EngineRun::countSubjects, &EngineRun::readLatentPoints, &EngineRun::expect,
                                &EngineRun::writeReports})
            if (const int result = (this->*step)())
                return result;
        keep();
        return kFitSuccess;
    }

private:
    // A score table gives the run its items and their names.
    int openScoreSheet()
    {
        if (!asked_.scoresAsTable && !IsTableFileName(request_.scoreFile))
            return kFitSuccess;
        if (const FitResult result = TableReadResult(
                OpenScoreSheet(request_.scoreFile, asked_.scoreColumns, sheet_.emplace(), outcome_.tableFault),
                kScoreFileError))
            return result;
        if (request_.itemCount != 0 && request_.itemCount != sheet_->items()) {
            outcome_.tableFault = TableFault{request_.scoreFile, 1, "",
                                             "the table holds " + GroupDigits(sheet_->items()) + " items, where " +
                                                 GroupDigits(request_.itemCount) + " were given"};
            return kTableSizeDiffers;
        }
        request_.itemCount = sheet_->items();
        outcome_.itemNames = sheet_->itemNames();
        return kFitSuccess;
    }

    // With answers missing, totals are counted from 0 and trimmed to the
    // forms' rows once the forms are known.
    int sizeRows()
    {
        m_ = std::max(request_.itemCount, 0);
        K_ = std::max(traits_.categoryCount, 1);
        firstScore_ = missing_ ? 0 : std::int64_t{m_} * traits_.codes.lowest;
        rows_ = static_cast<std::size_t>(m_) * (K_ - 1 + (missing_ ? traits_.codes.lowest : 0)) + 1;
        // The reports count their rows in 32 bits; so many would not fit in
        // memory anyway.
        return rows_ > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) ? kOutOfMemory
                                                                                            : kFitSuccess;
    }

    int readItems()
    {
        model_.kind = traits_.kind;
        model_.items = ItemParameters(m_, K_);
        model_.D = request_.metric == 0 ? 1.702 : 1.0;
        model_.lowestCode = traits_.codes.lowest;
        model_.parameterCount = ParameterCountOf(traits_.kind, K_, request_.parameterCount);
        if (const int result = readDiscriminations())
            return result;
        ItemParameters& items = model_.items;
        const bool polytomous = traits_.kind != FitModel::Kind::Binary;
        if (const FitResult read = readParameters(
                request_.difficultyFile, polytomous ? ParameterKind::Thresholds : ParameterKind::Difficulty,
                polytomous ? K_ - 1 : 1, items.b, notes_, traits_.parameterFile, outcome_, kDifficultyFileError))
            return read;
        if (!allFinite(items.b))
            return kDifficultyValueError;
        if (traits_.checksThresholdOrder())
            notes_.decreasingThresholds = decreasingThresholds(items);
        if (traits_.readsCFile() && request_.parameterCount == 3) {
            if (const FitResult read = readParameters(request_.cFile, ParameterKind::C, 1, items.c, notes_,
                                                      FileRole::CIndices, outcome_, kCFileError))
                return read;
            if (!allFinite(items.c))
                return kCValueError;
            notes_.cOutside = itemsWhere(items.c, [](float c) { return c < 0.0f || c >= 1.0f; });
        }
        return kFitSuccess;
    }

    // The common discrimination, unless a table of the difficulties gives
    // each item's in a column a; else the discrimination file's.
    int readDiscriminations()
    {
        ItemParameters& items = model_.items;
        outcome_.discriminationFromTable = request_.parameterCount == 1 && IsTableFileName(request_.difficultyFile) &&
                                           TableHasColumn(request_.difficultyFile, "a");
        if (request_.parameterCount == 1 && !outcome_.discriminationFromTable) {
            std::fill(items.a.begin(), items.a.end(), static_cast<float>(request_.discriminationConstant));
            if (!std::isfinite(static_cast<float>(request_.discriminationConstant)))
                return kDiscriminationValueError;
            notes_.constantNonpositive = m_ > 0 && static_cast<float>(request_.discriminationConstant) <= 0.0f;
        } else if (request_.parameterCount >= 1 && request_.parameterCount <= 3) {
            const std::string& file =
                outcome_.discriminationFromTable ? request_.difficultyFile : request_.discriminationFile;
            if (const FitResult read = readParameters(file, ParameterKind::Discrimination, 1, items.a, notes_,
                                                      FileRole::Discrimination, outcome_, kDiscriminationFileError))
                return read;
            if (!allFinite(items.a))
                return kDiscriminationValueError;
            notes_.nonpositiveDiscrimination = itemsWhere(items.a, [](float a) { return a <= 0.0f; });
        }
        return kFitSuccess;
    }

    // Each subject's total, counted by score row, and by item, pair and form
    // as asked; subjects past the end of the file all have the total 0. Only
    // each subject's total matters, so the score matrix is never kept.
    int countSubjects()
    {
        ScoreCount count = emptyCount();
        if (const int counted = sheet_ ? countSheet(count) : countNumbers(count))
            return counted;
        keepCounts(count);
        if (missing_) {
            const auto [least, most] = formTotals(outcome_.forms, traits_);
            table_.observed.erase(table_.observed.begin() + most + 1, table_.observed.end());
            table_.observed.erase(table_.observed.begin(), table_.observed.begin() + least);
            firstScore_ = least;
            rows_ = table_.observed.size();
        }
        table_.firstScore = static_cast<std::int32_t>(firstScore_);
        return kFitSuccess;
    }

    ScoreCount emptyCount() const
    {
        const int m = m_, K = traits_.categoryCount;
        ScoreCount count;
        count.observed.assign(rows_, 0.0);
        count.codes.lowest = traits_.codes.lowest;
        count.codes.highest = traits_.codes.highest;
        if (missing_) {
            count.missing = asked_.missing;
            count.forms = AnswerForms(m, K);
        }
        if (countsByCategory() && asked_.countItems)
            count.byItem = ItemCodeCounts(m, K, missing_);
        if (countsByCategory() && asked_.countPairs)
            count.pairs = PairCounts(m, K, missing_);
        return count;
    }
    bool countsByCategory() const { return m_ > 0 && CountableCategories(traits_.categoryCount, missing_); }

    // Simple numbers in parts, even on one thread: the vector scan's two
    // passes outrun the reader's one.
    int countNumbers(ScoreCount& count) const
    {
        const std::int64_t N = subjects();
        const bool counted = CountSimpleScores(request_.scoreFile, N, m_, firstScore_, count, asked_.threads) ||
                             CountScores(request_.scoreFile, N, m_, firstScore_, count);
        return counted ? kFitSuccess : kScoreFileError;
    }

    // A score table gives the run its subjects.
    int countSheet(ScoreCount& count)
    {
        std::int64_t subjects = 0;
        switch (CountSheetScores(*sheet_, firstScore_, missing_, count, subjects, outcome_.tableFault,
                                 asked_.threads)) {
        case SheetCount::NotOpened:
            return kScoreFileError;
        case SheetCount::Fault:
            return kTableError;
        case SheetCount::AnswersMissing:
            return kAnswersMissingInTable;
        case SheetCount::Done:
            break;
        }
        const std::string& path = sheet_->path;
        if (subjects == 0 || subjects > std::numeric_limits<std::int32_t>::max()) {
            outcome_.tableFault = TableFault{
                path, 0, "", subjects == 0 ? "no subject below the header" : "more subjects than 2,147,483,647"};
            return kTableError;
        }
        if (request_.subjectCount != 0 && request_.subjectCount != subjects) {
            outcome_.tableFault = TableFault{path, 0, "",
                                             "the table holds " + GroupDigits(subjects) + " subjects, where " +
                                                 GroupDigits(request_.subjectCount) + " were given"};
            return kTableSizeDiffers;
        }
        request_.subjectCount = static_cast<std::int32_t>(subjects);
        if (request_.useEstimates == 1)
            request_.nodeCount = request_.subjectCount;
        return kFitSuccess;
    }

    void keepCounts(ScoreCount& count)
    {
        table_.observed = std::move(count.observed);
        if (countsByCategory()) {
            outcome_.byItem = std::move(count.byItem);
            outcome_.pairs = std::move(count.pairs);
        }
        if (missing_) {
            notes_.withoutAnswers = count.forms.withoutAnswers();
            outcome_.forms = std::move(count.forms);
        }
        notes_.files.push_back(count.file);
        notes_.files.back().what = FileRole::Scores;
        notes_.codes = count.codes;
        notes_.items = m_;
    }

    int readLatentPoints()
    {
        if (!readLatent(request_, latent_, notes_))
            return kLatentFileError;
        if (!allFinite(latent_.theta) || !allFinite(latent_.weight) || !std::isfinite(latent_.tailWeight))
            return kLatentValueError;
        outcome_.warnings = DescribeInputNotes(notes_);
        return kFitSuccess;
    }

    int expect()
    {
        reports_ = std::make_shared<OutFiles>();
        if (!reports_->created())
            return kReportFileError;
        table_.expected.assign(rows_, 0.0);
        if (missing_) {
            expectOverForms(model_, outcome_.forms, latent_, firstScore_, asked_.threads, table_.expected);
        } else {
            std::vector<double> sum(rows_);
            addExpected([&] { return model_.makeModel(); }, latent_, static_cast<double>(subjects()), sum,
                        asked_.threads, table_.expected.data());
        }
        return kFitSuccess;
    }

    // The graph report is read back in single precision: no report may
    // hold a number beyond it, let alone one that is no number at all.
    int writeReports()
    {
        const auto readable = [](double value) { return std::abs(value) <= std::numeric_limits<float>::max(); };
        if (!std::all_of(table_.expected.begin(), table_.expected.end(), readable))
            return kResultOutOfRange;
        table_.chiSquare = ChiSquareOverScores(table_.observed, table_.expected);
        if (!readable(table_.chiSquare))
            return kResultOutOfRange;
        if (!reports_->write(table_) || (!asked_.keepReports && !reports_->place()))
            return kReportFileError;
        return kFitSuccess;
    }

    void keep()
    {
        outcome_.subjects = subjects();
        outcome_.table = std::move(table_);
        model_.theta = std::move(latent_.theta);
        model_.weight = std::move(latent_.weight);
        // The estimates past the end of their file, all 0, as one point.
        if (latent_.tailCount > 0) {
            model_.theta.push_back(0.0f);
            model_.weight.push_back(static_cast<float>(static_cast<double>(latent_.tailCount) * latent_.tailWeight));
        }
        outcome_.model = std::move(model_);
        if (asked_.keepReports)
            outcome_.reports = std::move(reports_);
    }

    std::int64_t subjects() const { return std::max(request_.subjectCount, 0); }

    const RunRequest& asked_;
    FitRequest request_;  // with the score table's counts
    const ModelTraits& traits_;
    RunOutcome& outcome_;
    const bool missing_;
    std::optional<ScoreSheet> sheet_;
    InputNotes notes_;
    int m_ = 0, K_ = 1;
    std::int64_t firstScore_ = 0;  // of the rows
    std::size_t rows_ = 0;
    FitModel model_;
    ScoreTable table_;
    Latent latent_;
    std::shared_ptr<OutFiles> reports_;
};

// A score table's cell without an answer, in a run that had not taken
// answers as missing, makes it begin again taking them so.
FitResult runFit(const RunRequest& asked, const ModelTraits& traits, RunOutcome& outcome)
{
    return GuardResources(kOutOfMemory, [&] {
        for (bool answersMissing = false;; answersMissing = true) {
            outcome = RunOutcome();
            const int result = EngineRun(asked, traits, outcome, answersMissing).run();
            if (result != kAnswersMissingInTable || answersMissing)
                return static_cast<FitResult>(result);
        }
    });
}

// A plain request: one thread, and what the caller asks for of the outcome.
FitResult runPlain(const FitRequest& request, const ModelTraits& traits, ScoreTable* table, FitWarnings* warnings)
{
    RunRequest asked;
    asked.fit = request;
    RunOutcome outcome;
    const FitResult result = runFit(asked, traits, outcome);
    if (warnings)
        warnings->found = std::move(outcome.warnings);
    if (table && result == kFitSuccess)
        *table = std::move(outcome.table);
    return result;
}

ModelTraits binaryTraits() { return {FitModel::Kind::Binary, 2}; }

ModelTraits gradedTraits(const FitRequest& request)
{
    return {FitModel::Kind::Graded, request.categoryCount};
}

ModelTraits partialCreditTraits(const FitRequest& request)
{
    return {FitModel::Kind::PartialCredit, request.categoryCount};
}

}  // namespace

FitResult FitBinaryModel(const FitRequest& request, ScoreTable* table, FitWarnings* warnings)
{
    return runPlain(request, binaryTraits(), table, warnings);
}

FitResult FitBinaryModel(const RunRequest& request, RunOutcome& outcome)
{
    return runFit(request, binaryTraits(), outcome);
}

FitResult FitGradedModel(const FitRequest& request, ScoreTable* table, FitWarnings* warnings)
{
    return runPlain(request, gradedTraits(request), table, warnings);
}

FitResult FitGradedModel(const RunRequest& request, RunOutcome& outcome)
{
    return runFit(request, gradedTraits(request.fit), outcome);
}

FitResult FitPartialCreditModel(const FitRequest& request, ScoreTable* table, FitWarnings* warnings)
{
    return runPlain(request, partialCreditTraits(request), table, warnings);
}

FitResult FitPartialCreditModel(const RunRequest& request, RunOutcome& outcome)
{
    return runFit(request, partialCreditTraits(request.fit), outcome);
}

FitEngineFunction EngineOf(FitModel::Kind kind)
{
    switch (kind) {
    case FitModel::Kind::Graded:
        return FitGradedModel;
    case FitModel::Kind::PartialCredit:
        return FitPartialCreditModel;
    default:
        return FitBinaryModel;
    }
}
