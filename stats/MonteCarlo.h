#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "counts/ItemCodeCounts.h"
#include "counts/PairCounts.h"
#include "fit/ScoreTable.h"
#include "model/FitModel.h"
#include "model/ItemExpectation.h"
#include "model/PairExpectation.h"
#include "stats/FitSummary.h"
#include "stats/ItemFit.h"
#include "stats/LocalDependence.h"

// What a run observed and what of it is to be simulated: the test-level
// statistics always, the items' S-X² and the pairs' X² when given.
struct MonteCarloRequest {
    const FitModel* model = nullptr;
    std::int64_t subjects = 0;  // N
    // Of them, those the items' and pairs' statistics counted (every code
    // in the model's range); all when below 0.
    std::int64_t countedSubjects = -1;
    const ScoreTable* table = nullptr;
    const FitSummary* summary = nullptr;  // of table, whose cells pool the replicates too
    // The item fit as observed, and the expectation it was worked out with.
    const ItemFit* items = nullptr;
    const ItemExpectation* itemExpectation = nullptr;
    const LocalDependence* pairs = nullptr;
    const PairExpectation* pairExpectation = nullptr;
    // With answers missing: the forms, each subject keeping its own, and
    // each form's item expectation when the items are simulated. The
    // subjects are then the forms', and each form's first as many as it
    // counted count for the items and pairs.
    const AnswerForms* forms = nullptr;
    const std::vector<ItemExpectation>* formExpectation = nullptr;
    std::uint64_t replicates = 0;
    std::uint64_t seed = 1;
    int threads = 1;
};

// Monte Carlo p-values, (1 + #{T_r ≥ T}) / (R + 1) each.
struct MonteCarloResult {
    std::uint64_t replicates = 0, seed = 0;
    double chiSquareP = 1.0, pooledChiSquareP = 1.0, likelihoodRatioP = 1.0;
    std::vector<double> itemP, pairP;  // by item; by pair as LocalDependence lists them
};

// Draws R data sets of N subjects under the model, each from a stream of
// its own named by (seed, replicate), and scores each as the real data:
// the reports' chi-square over every score, the pooled Pearson chi-square
// and G² on the real run's cells, and when asked each item's S-X² (its
// groups merged anew) and each pair's X². With only the test level asked
// for, a replicate's score frequencies are drawn straight from the model's
// score distribution, the same distribution for far less work; otherwise
// each subject's ability from the latent distribution and each item's
// answer at it (the items of its form, with answers missing), the first of
// them as many as the items and pairs counted counting for those. The same seed gives the same p-values on any number
// of threads, and each worker reuses its tables. progress hears the share done and may return false to stop,
// which returns nothing; error receives why the model cannot be drawn
// from (a negative weight or probability) and nothing is returned either.
// Storage that cannot be had throws std::bad_alloc.
std::optional<MonteCarloResult> SimulatePValues(const MonteCarloRequest& request, std::string& error,
                                                const std::function<bool(double)>& progress = {});
