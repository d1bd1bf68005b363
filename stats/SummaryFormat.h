#pragma once

#include <ostream>
#include <string>

#include "counts/AnswerForms.h"
#include "counts/MissingCodes.h"
#include "fit/FitWarning.h"
#include "stats/FitSummary.h"
#include "stats/ItemFit.h"
#include "stats/LocalDependence.h"
#include "stats/MonteCarlo.h"
#include "stats/PersonPass.h"

// The summary as text: a table to read, or CSV or JSON for scripts, with
// every number at full precision (17 significant digits).
//
// CSV: two tables separated by an empty line. First "statistic,value,df,p"
// with the rows chi_square (over every score, as the reports have it; no df
// or p), pooled_chi_square and likelihood_ratio (df and p empty when fewer
// than two cells remain). Then "score,observed,expected,contribution,
// residual,cell", one row per score, cell numbering the pooled cells from 1.
//
// JSON: one object: "chi_square", "min_expected", "pooling_rule", "pooled"
// (null when fewer than two cells remain, else "chi_square", "df", "p",
// "likelihood_ratio", "likelihood_ratio_p"), "cells" (each "first_score",
// "last_score", "observed", "expected"), "scores" (each "score",
// "observed", "expected", "contribution", "residual") and "warnings"
// (each "kind", "file", "message": what looked wrong in the input; an
// empty list when nothing did), and with the item fit "items" (as
// WriteItemFitJson has it), with the local dependence "pairs" (as
// WritePairsJson has it), with the person fit "persons" (as
// WritePersonJson has it), and with simulated p-values "monte_carlo"
// ("replicates", "seed", "chi_square_p", "pooled_chi_square_p",
// "likelihood_ratio_p") and "p_mc" in every item and pair. With simulated
// p-values the table gives each p its simulated one beside it, and CSV adds
// the column p_mc to the statistics.
//
// With answers missing, the table says how many and in how many forms, and
// that its p-values are approximate; JSON has "missing" ("codes",
// "answers_missing", "subjects_without_answers", "forms").
struct SummaryExtras {
    const ItemFit* items = nullptr;
    const LocalDependence* pairs = nullptr;
    const MonteCarloResult* simulated = nullptr;
    const MissingCodes* missing = nullptr;  // with forms, when answers may be missing
    const AnswerForms* forms = nullptr;
    const PersonSummary* persons = nullptr;
    bool givenTheta = false;  // the persons' rows carry the estimates given
};

// "3,000 subjects, 3 forms, 33% of answers missing", and those who
// answered nothing when there are any.
std::string FormatFormsLine(const AnswerForms& forms);
void WriteSummaryTable(std::ostream& out, const FitSummary& summary, const MonteCarloResult* simulated = nullptr);
// The table's statistics and its cells' rule, without its rows.
void WriteSummaryStatistics(std::ostream& out, const FitSummary& summary, const MonteCarloResult* simulated = nullptr);
void WriteSummaryCsv(std::ostream& out, const FitSummary& summary, const MonteCarloResult* simulated = nullptr);
void WriteSummaryJson(std::ostream& out, const FitSummary& summary, const std::vector<FitWarning>& warnings = {},
                      const SummaryExtras& extras = {});
std::string FormatSummaryStatistics(const FitSummary& summary, const MonteCarloResult* simulated = nullptr);
std::string FormatSummaryCsv(const FitSummary& summary, const MonteCarloResult* simulated = nullptr);
std::string FormatSummaryJson(const FitSummary& summary, const std::vector<FitWarning>& warnings = {},
                              const SummaryExtras& extras = {});

// Everything talver-fit prints, written to out as it is made: the table
// followed by the item and pair tables; CSV with those as further tables
// after an empty line each; JSON with them inside.
enum class SummaryFormat { Table, Csv, Json };
void WriteSummary(std::ostream& out, SummaryFormat format, const FitSummary& summary,
                  const std::vector<FitWarning>& warnings, const SummaryExtras& extras);

// One line: the pooled chi-square, df and p, or why there is no test.
std::string FormatPooledLine(const FitSummary& summary);
