#include "analysis/Analysis.h"

#include <algorithm>
#include <cmath>

#include "fit/RunSubjects.h"
#include "kernels/ResourceGuard.h"
#include "model/ModelRules.h"

Analysis::Analysis(AnalysisRequest request) : request_(std::move(request)) {}

Analysis::Analysis(AnalysisRequest request, RunOutcome run)
    : request_(std::move(request)), run_(std::move(run)), summary_(SummarizeFit(run_.table, request_.minExpected))
{
}

std::string Analysis::missingCodesFault() const
{
    const ModelCodes codes = CodesOf(request_.model, request_.fit.categoryCount);
    return MissingCodesFault(request_.missing, codes.lowest, codes.highest);
}

AnalysisStatus Analysis::fit()
{
    run_ = RunOutcome();
    if (const std::string fault = missingCodesFault(); !fault.empty()) {
        refusal_ = "Cannot take these missing codes: " + fault + ".";
        return kRequestRefused;
    }
    RunRequest asked = request_;
    asked.keepReports = true;
    const FitResult result = (request_.engine ? request_.engine : EngineOf(request_.model))(asked, run_);
    if (result == kTableSizeDiffers) {
        refusal_ = "The sizes given are not the score table's: " + run_.tableFault.describe() + ".";
        return kRequestRefused;
    }
    if (result != kFitSuccess)
        return static_cast<AnalysisStatus>(result);
    if (request_.strict && !run_.warnings.empty())
        return kWarningsRefused;
    summary_ = SummarizeFit(run_.table, request_.minExpected);
    return kAnalysisSuccess;
}

AnalysisStatus Analysis::publish()
{
    return run_.reports && run_.reports->place() ? kAnalysisSuccess : kReportsNotPlaced;
}

bool Analysis::computeItemFit(const AnalysisProgress& progress)
{
    if (itemFit_ || !countedItems())
        return true;
    if (const AnswerForms* forms = this->forms()) {
        // Each form's shares are added up as they come: there may be as
        // many forms as subjects.
        FormExpectedCounts expected(run_.model.items.itemCount, run_.model.items.categoryCount);
        const auto add = [&](std::size_t f, const ItemExpectation& shares) { expected.add(forms->forms()[f], shares); };
        if (!ExpectFormCategories(run_.model, *forms, request_.threads, add, progress))
            return false;
        // Groups are labelled by the totals of the forms when all are as
        // long, by the sum of categories otherwise.
        std::int32_t label = 0;
        const std::vector<AnswerForm>& list = forms->forms();
        if (!list.empty() && std::all_of(list.begin(), list.end(), [&](const AnswerForm& form) {
                return form.items.size() == list.front().items.size();
            }))
            label = static_cast<std::int32_t>(list.front().items.size()) * run_.model.lowestCode;
        itemFit_ = ComputeItemFit(run_.byItem, expected, run_.model.parameterCount, label, request_.itemMinExpected);
        itemFit_->names = run_.itemNames;
        return true;
    }
    ItemExpectation expectation;
    if (!ExpectItemCategories(run_.model, expectation, request_.threads, progress))
        return false;
    itemFit_ = ComputeItemFit(run_.byItem, expectation, run_.model.parameterCount, run_.table.firstScore,
                              request_.itemMinExpected);
    itemFit_->names = run_.itemNames;
    itemExpectation_ = std::move(expectation);
    return true;
}

bool Analysis::computePairs(const AnalysisProgress& progress)
{
    if (pairs_ || !countedPairs())
        return true;
    PairExpectation expectation;
    if (!ExpectPairCategories(run_.model, expectation, request_.threads, progress))
        return false;
    pairs_ = ComputeLocalDependence(run_.pairs, expectation);
    pairs_->names = run_.itemNames;
    pairExpectation_ = std::move(expectation);
    return true;
}

std::optional<MonteCarloResult> Analysis::simulate(std::uint64_t replicates, std::uint64_t seed, bool items,
                                                   bool pairs, std::string& error,
                                                   const AnalysisProgress& progress) const
{
    MonteCarloRequest request;
    request.model = &run_.model;
    request.subjects = run_.subjects;
    request.table = &run_.table;
    request.summary = &summary_;
    request.forms = forms();
    // The replicates need every form's shares at once; made for them alone.
    std::vector<ItemExpectation> formExpectation;
    if (items && itemFit_) {
        if (request.forms && !ExpectFormCategories(run_.model, *request.forms, formExpectation, request_.threads))
            return std::nullopt;
        request.items = &*itemFit_;
        request.itemExpectation = itemExpectation_ ? &*itemExpectation_ : nullptr;
        request.formExpectation = &formExpectation;
    }
    if (pairs && pairs_) {
        request.pairs = &*pairs_;
        request.pairExpectation = &*pairExpectation_;
    }
    request.countedSubjects = countedItems() ? run_.byItem.subjectCount() : run_.pairs.subjects();
    request.replicates = replicates;
    request.seed = seed;
    request.threads = request_.threads;
    error.clear();
    return SimulatePValues(request, error, progress);
}

AnalysisStatus Analysis::computePersons(const PersonRequest& asked, const PersonPass::Row& row,
                                        const AnalysisProgress& progress, const PersonPass::Text& text)
{
    const bool estimates = request_.fit.useEstimates == 1;
    if (asked.estimator == ThetaEstimator::Eap && estimates) {
        refusal_ = "The eap estimator needs the latent points of nodes, not the subjects' estimates.";
        return kRequestRefused;
    }
    auto fit = std::make_unique<PersonFit>(run_.model, asked.estimator);
    if (asked.estimator == ThetaEstimator::Map && !(fit->latentSd() > 0.0 && std::isfinite(fit->latentSd()))) {
        refusal_ = "The map estimator needs a latent distribution with a spread.";
        return kRequestRefused;
    }
    PersonPassSettings settings;
    settings.threads = request_.threads;
    settings.replicates = asked.replicates;
    settings.seed = asked.seed;
    settings.subjects = static_cast<std::uint64_t>(run_.subjects);
    settings.givenTheta = estimates ? &run_.model.theta : nullptr;
    PersonPass pass(*fit, settings, row, progress, text);
    TableFault fault;
    FitResult read = kFitSuccess;
    try {
        read = ReadRunSubjects(request_, run_, pass, fault);
        if (read == kFitSuccess)
            pass.finish();
    } catch (const PersonPassStopped&) {
        return kAnalysisStopped;
    }
    if (read == kTableError || read == kTableSizeDiffers) {
        refusal_ = "The scores do not read as they did for the run: " + fault.describe() + ".";
        return kRequestRefused;
    }
    if (read != kFitSuccess)
        return static_cast<AnalysisStatus>(read);
    personFit_ = std::move(fit);
    persons_ = pass.summary();
    return kAnalysisSuccess;
}

AnalysisStatus Analysis::runWhole(std::uint64_t replicates, std::uint64_t seed, const StepProgress& told)
{
    const auto step = [&told](const char* name) -> AnalysisProgress {
        if (!told)
            return {};
        return [&told, name](double share) {
            told(name, share);
            return true;
        };
    };
    return Guarded([&] {
        const AnalysisStatus status = fit();
        if (status != kAnalysisSuccess)
            return status;
        computeItemFit(step("item fit"));
        computePairs(step("pairs"));
        if (replicates > 0) {
            simulated_ = simulate(replicates, seed, true, true, simulationError_, step("simulation"));
            if (!simulated_)
                return kNotSimulated;
        }
        return kAnalysisSuccess;
    });
}

std::string Analysis::describe(int status, const std::string& folder) const
{
    switch (status) {
    case kRequestRefused:
        return refusal_;
    case kTableUnreadable:
        return "The table cannot be read: " + run_.tableFault.describe() + ".";
    case kWarningsRefused:
        return "The input gave warnings, and the run was to stop on any: OUT and OUTG were not replaced.";
    case kNotSimulated:
        return "Cannot simulate under the model: " + simulationError_ + ".";
    default:
        return DescribeFitResult(static_cast<FitResult>(status), request_.fit, request_.model, folder);
    }
}

AnalysisStatus Guarded(const std::function<AnalysisStatus()>& step)
{
    return GuardResources(kAnalysisOutOfMemory, step);
}
