#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fit/FitEngine.h"
#include "model/ItemExpectation.h"
#include "model/PairExpectation.h"
#include "stats/FitSummary.h"
#include "stats/ItemFit.h"
#include "stats/LocalDependence.h"
#include "stats/MonteCarlo.h"
#include "stats/PersonPass.h"

// What a run ended with: the engine's FitResult (0 to 14), or what failed
// around the engine.
enum AnalysisStatus : int {
    kAnalysisSuccess = kFitSuccess,
    kReportsNotPlaced = kReportFileError,
    kAnalysisOutOfMemory = kOutOfMemory,
    kTableUnreadable = kTableError,
    // Asked what cannot be: a missing code that is one of the model's, or
    // counts that are not the score table's.
    kRequestRefused = 64,
    kWarningsRefused = 65,  // asked to stop on any warning, and there was one
    kNotSimulated = 75,     // the model cannot be drawn from
    kAnalysisStopped = 76,  // the listener of progress stopped the work
};

// What one analysis is asked: everything its engine run is (the request's
// files and sizes, missing codes, a score table's columns, the counts
// wanted, the threads), the engine, and the statistics beyond.
struct AnalysisRequest : RunRequest {
    FitModel::Kind model = FitModel::Kind::Binary;
    FitEngineFunction engine = nullptr;  // null: the model's own
    bool strict = false;       // any warning about the input fails the run
    double minExpected = 5.0;  // the summary's pooling of sparse cells
    double itemMinExpected = 1.0;
};

// How the subjects' person fit is worked out: the estimator of their
// abilities, and each subject's simulated p from replicates answer vectors
// (none for 0).
struct PersonRequest {
    ThetaEstimator estimator = ThetaEstimator::Wle;
    std::uint64_t replicates = 0;
    std::uint64_t seed = 1;
};

// Hears the share done and may return false to stop the work.
using AnalysisProgress = std::function<bool(double)>;

// One run of the whole diagnosis, the same for every front end: the
// engine's table and the summary, then on demand the item fit, the local
// dependence and simulated p-values, each worked out once. The reports
// are written by fit() but put in place only by publish(), so that a
// front end replaces them only once everything it was asked for has
// succeeded. Storage that cannot be had throws std::bad_alloc from any
// step; Guarded turns that into kAnalysisOutOfMemory.
class Analysis {
public:
    explicit Analysis(AnalysisRequest request);
    // The analysis of a run the engine has already made, whose reports
    // are in place.
    Analysis(AnalysisRequest request, RunOutcome run);

    AnalysisStatus fit();
    AnalysisStatus publish();  // kReportsNotPlaced when they cannot be put in place

    const AnalysisRequest& request() const { return request_; }
    const ScoreTable& table() const { return run_.table; }
    const FitSummary& summary() const { return summary_; }
    const std::vector<FitWarning>& warnings() const { return run_.warnings; }
    const FitModel& model() const { return run_.model; }
    const RunOutcome& outcome() const { return run_; }
    int items() const { return run_.model.items.itemCount; }
    // The items' names, when a table gives them; else empty.
    const std::vector<std::string>& itemNames() const { return run_.itemNames; }
    const AnswerForms* forms() const { return run_.forms.active() ? &run_.forms : nullptr; }
    bool countedItems() const { return run_.byItem.items() > 0; }
    bool countedPairs() const { return run_.pairs.items() > 0; }

    // False when progress stopped the work; null until worked out.
    bool computeItemFit(const AnalysisProgress& progress = {});
    bool computePairs(const AnalysisProgress& progress = {});
    const ItemFit* itemFit() const { return itemFit_ ? &*itemFit_ : nullptr; }
    const LocalDependence* pairs() const { return pairs_ ? &*pairs_ : nullptr; }

    // Simulated p-values of the test-level statistics, and of the items'
    // and pairs' when asked and worked out; each statistic's replicates
    // draw as many subjects as it counted. Nothing when progress stopped
    // it, and then error stays empty; else error says why the model
    // cannot be drawn from.
    std::optional<MonteCarloResult> simulate(std::uint64_t replicates, std::uint64_t seed, bool items, bool pairs,
                                             std::string& error, const AnalysisProgress& progress = {}) const;

    // The person fit of every subject, the scores read once more: row hears
    // each subject in the file's order as its figures are worked out (text,
    // its rows as text), and
    // persons() holds the summary. kRequestRefused when the estimator cannot
    // be had from this run (eap on the subjects' estimates, map without a
    // spread), kAnalysisStopped when progress stopped it, or why the scores
    // no longer read as the run read them. Until one succeeds, the figures
    // of the last that did stay.
    AnalysisStatus computePersons(const PersonRequest& asked, const PersonPass::Row& row = {},
                                  const AnalysisProgress& progress = {}, const PersonPass::Text& text = {});
    const PersonSummary* persons() const { return persons_ ? &*persons_ : nullptr; }
    const PersonFit* personFit() const { return personFit_.get(); }

    // Everything at once, as talver-fit runs it: fit(), the item fit and
    // the local dependence where counted, then with replicates their
    // simulated p-values and the test level's. A memory failure anywhere
    // gives kAnalysisOutOfMemory. told hears each step after the fit by
    // name ("item fit", "pairs", "simulation") and its share done.
    using StepProgress = std::function<void(const char* step, double share)>;
    AnalysisStatus runWhole(std::uint64_t replicates, std::uint64_t seed, const StepProgress& told = {});
    const MonteCarloResult* simulated() const { return simulated_ ? &*simulated_ : nullptr; }

    // One sentence for the user on a status other than success.
    std::string describe(int status, const std::string& folder) const;

private:
    std::string missingCodesFault() const;
    std::string refusal_;  // why the request was refused

    AnalysisRequest request_;
    RunOutcome run_;
    FitSummary summary_;
    std::optional<ItemExpectation> itemExpectation_;
    std::optional<ItemFit> itemFit_;
    std::optional<PairExpectation> pairExpectation_;
    std::optional<LocalDependence> pairs_;
    std::optional<MonteCarloResult> simulated_;
    std::string simulationError_;
    std::unique_ptr<PersonFit> personFit_;  // where the pass that filled persons_ left it
    std::optional<PersonSummary> persons_;
};

// step's status, or kAnalysisOutOfMemory when it runs out of memory or of another
// resource (a thread that cannot be started).
AnalysisStatus Guarded(const std::function<AnalysisStatus()>& step);
