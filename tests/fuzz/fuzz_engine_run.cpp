// A whole small run of each engine on fuzzed input files. Whatever the
// files hold, a run either fails with a known result or leaves reports
// that are finite and read back complete, the same on the widest vector
// path and the narrowest; the expectations of the item fit and of the
// pairs (on either path), and a few replicates' simulated p-values, then
// have the same bits on one thread and on two, with missing codes too
// (each form's expectation on one thread and on three).

#include <cmath>
#include <cstring>

#include "fit/FitEngine.h"
#include "kernels/VectorPath.h"
#include "model/ItemExpectation.h"
#include "model/PairExpectation.h"
#include "stats/MonteCarlo.h"
#include "tests/fuzz/FuzzFile.h"

namespace {

std::string readFile(const char* name)
{
    std::string text;
    if (std::FILE* file = std::fopen(name, "rb")) {
        char block[4096];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;)
            text.append(block, n);
        std::fclose(file);
    }
    return text;
}

}  // namespace

// Eight bytes of settings, then the input files separated by NUL bytes:
// discrimination, difficulty (or category parameters), C, scores, latent.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    enterScratchFolder();
    const char* const names[] = {"a.dat", "b.dat", "c.dat", "x.dat", "latent.dat"};
    const std::string files(reinterpret_cast<const char*>(data) + 8, size - 8);
    std::size_t start = 0;
    for (const char* name : names) {
        const std::size_t end = std::min(files.find('\0', start), files.size());
        writeFile(name, files.substr(std::min(start, files.size()), end - std::min(start, files.size())));
        start = end + 1;
    }

    FitRequest r;
    const int model = data[0] % 3;  // binary, graded, partial credit
    r.subjectCount = 1 + data[1] % 40;
    r.itemCount = 1 + data[2] % 8;
    r.categoryCount = 1 + data[3] % 5;
    r.parameterCount = 1 + data[4] % 3;
    r.metric = data[5] & 1;
    r.useEstimates = (data[5] >> 1) & 1;
    r.nodeCount = r.useEstimates ? r.subjectCount : data[6] % 30;
    r.discriminationConstant = (static_cast<int>(data[7]) - 128) / 16.0;
    r.discriminationFile = names[0];
    r.difficultyFile = names[1];
    r.cFile = names[2];
    r.scoreFile = names[3];
    r.latentFile = names[4];
    std::remove("OUT");
    std::remove("OUTG");

    const FitEngineFunction fit = EngineOf(model == 0   ? FitModel::Kind::Binary
                                           : model == 1 ? FitModel::Kind::Graded
                                                        : FitModel::Kind::PartialCredit);
    const VectorPath widest = AvailableVectorPaths().back();
    UseVectorPath(widest);
    RunRequest asked;
    asked.fit = r;
    asked.countItems = asked.countPairs = true;
    const MissingCodes missing[] = {{}, MissingCodes({9}), MissingCodes({0}), MissingCodes({-1, 3})};
    asked.missing = missing[(data[5] >> 2) & 3];
    asked.threads = 2;
    RunOutcome run;
    const FitResult result = fit(asked, run);
    const ScoreTable& table = run.table;
    FUZZ_CHECK((result >= kFitSuccess && result <= kCValueError) || result == kLatentValueError ||
               result == kResultOutOfRange);
    FUZZ_CHECK(result != kReportFileError && result != kOutOfMemory);
    if (result != kFitSuccess) {
        FUZZ_CHECK(readFile("OUT").empty() && readFile("OUTG").empty());
        return 0;
    }
    const std::string out = readFile("OUT");
    FUZZ_CHECK(out == FormatFitReport(table));
    FUZZ_CHECK(out.find("nan") == std::string::npos && out.find("inf") == std::string::npos);
    const GraphReport graph = ReadGraphReport("OUTG");
    FUZZ_CHECK(graph.complete && graph.rowCount == table.rowCount());
    for (const GraphReportRow& row : graph.rows)
        FUZZ_CHECK(std::isfinite(row.expected) && std::isfinite(row.observedHeight) &&
                   std::isfinite(row.expectedHeight));
    FUZZ_CHECK(std::isfinite(table.chiSquare));
    UseVectorPath(VectorPath::Baseline);
    asked.countItems = asked.countPairs = false;
    asked.threads = 1;
    RunOutcome narrowRun;
    const ScoreTable& narrow = narrowRun.table;
    FUZZ_CHECK(fit(asked, narrowRun) == kFitSuccess && readFile("OUT") == out &&
               narrow.expected == table.expected &&
               std::memcmp(&narrow.chiSquare, &table.chiSquare, sizeof table.chiSquare) == 0);

    std::uint64_t counted = 0;
    for (std::size_t total = 0; total < run.byItem.totals(); ++total)
        counted += run.byItem.subjects(total);
    FUZZ_CHECK(counted <= static_cast<std::uint64_t>(r.subjectCount));
    FUZZ_CHECK(run.pairs.subjects() == counted);
    const AnswerForms* forms = run.forms.active() ? &run.forms : nullptr;
    std::vector<ItemExpectation> byForm, byFormThree;
    if (forms) {
        FUZZ_CHECK(forms->subjects() + forms->withoutAnswers() == static_cast<std::uint64_t>(r.subjectCount));
        std::uint64_t inRange = 0;
        for (const AnswerForm& form : forms->forms())
            for (const std::uint64_t n : form.counted)
                inRange += n;
        FUZZ_CHECK(inRange == counted || run.byItem.items() == 0);
        FUZZ_CHECK(ExpectFormCategories(run.model, *forms, byForm, 1));
        FUZZ_CHECK(ExpectFormCategories(run.model, *forms, byFormThree, 3));
        for (std::size_t f = 0; f < byForm.size(); ++f)
            for (int i = 0; i < byForm[f].items(); ++i)
                for (std::size_t t = 0; t < byForm[f].totals(); ++t)
                    for (int k = 0; k < byForm[f].categories(); ++k) {
                        const double a = byForm[f].at(i, t, k), b = byFormThree[f].at(i, t, k);
                        FUZZ_CHECK(std::memcmp(&a, &b, sizeof a) == 0);
                    }
    }
    // The same bits on another path, on more threads, and with the items
    // in as many parts as they go into (a scratch of one byte).
    ItemExpectation one, two, parted;
    FUZZ_CHECK(ExpectItemCategories(run.model, two, 2));
    UseVectorPath(widest);
    FUZZ_CHECK(ExpectItemCategories(run.model, one, 1));
    FUZZ_CHECK(ExpectItemCategories(run.model, parted, 3, {}, 1.0));
    for (int i = 0; i < one.items(); ++i)
        for (std::size_t t = 0; t < one.totals(); ++t)
            for (int k = 0; k < one.categories(); ++k) {
                const double a = one.at(i, t, k), b = two.at(i, t, k), c = parted.at(i, t, k);
                FUZZ_CHECK(std::memcmp(&a, &b, sizeof a) == 0 && std::memcmp(&a, &c, sizeof a) == 0);
            }
    PairExpectation pairsOne, pairsTwo, pairsParted;
    FUZZ_CHECK(ExpectPairCategories(run.model, pairsOne, 1));
    FUZZ_CHECK(ExpectPairCategories(run.model, pairsParted, 3, {}, 1.0));
    UseVectorPath(VectorPath::Baseline);
    FUZZ_CHECK(ExpectPairCategories(run.model, pairsTwo, 2));
    UseVectorPath(widest);
    for (int i = 0; i < pairsOne.items(); ++i)
        for (int j = i + 1; j < pairsOne.items(); ++j)
            for (int k = 0; k < pairsOne.categories(); ++k)
                for (int l = 0; l < pairsOne.categories(); ++l) {
                    const double a = pairsOne.at(i, j, k, l), b = pairsTwo.at(i, j, k, l),
                                 c = pairsParted.at(i, j, k, l);
                    FUZZ_CHECK(std::memcmp(&a, &b, sizeof a) == 0 && std::memcmp(&a, &c, sizeof a) == 0);
                }

    const FitSummary summary = SummarizeFit(table);
    const ItemFit items =
        forms ? ComputeItemFit(run.byItem, *forms, byForm, run.model.parameterCount, 0)
              : ComputeItemFit(run.byItem, one, run.model.parameterCount, table.firstScore);
    const LocalDependence pairs = ComputeLocalDependence(run.pairs, pairsOne);
    MonteCarloRequest request;
    request.model = &run.model;
    request.subjects = r.subjectCount;
    request.table = &table;
    request.summary = &summary;
    request.forms = forms;
    request.formExpectation = &byForm;
    request.replicates = 1 + data[6] % 4;
    request.seed = data[7];
    for (const bool bySubject : {false, true}) {
        request.items = bySubject ? &items : nullptr;
        request.itemExpectation = &one;
        request.pairs = bySubject ? &pairs : nullptr;
        request.pairExpectation = &pairsOne;
        std::string whyOne, whyTwo;
        request.threads = 1;
        const std::optional<MonteCarloResult> a = SimulatePValues(request, whyOne);
        request.threads = 2;
        const std::optional<MonteCarloResult> b = SimulatePValues(request, whyTwo);
        FUZZ_CHECK(a.has_value() == b.has_value() && whyOne == whyTwo && a.has_value() == whyOne.empty());
        if (!a)
            continue;
        std::vector<double> p = {a->chiSquareP, a->pooledChiSquareP, a->likelihoodRatioP};
        p.insert(p.end(), a->itemP.begin(), a->itemP.end());
        p.insert(p.end(), a->pairP.begin(), a->pairP.end());
        std::vector<double> q = {b->chiSquareP, b->pooledChiSquareP, b->likelihoodRatioP};
        q.insert(q.end(), b->itemP.begin(), b->itemP.end());
        q.insert(q.end(), b->pairP.begin(), b->pairP.end());
        FUZZ_CHECK(p.size() == q.size() && std::memcmp(p.data(), q.data(), p.size() * sizeof p[0]) == 0);
        for (const double value : p)
            FUZZ_CHECK(value > 0.0 && value <= 1.0);
    }
    return 0;
}
