#pragma once

#include "fit/FitRequest.h"
#include "fit/FitResult.h"
#include "fit/FitWarning.h"
#include "fit/RunOutcome.h"
#include "fit/RunRequest.h"
#include "fit/ScoreTable.h"

// The fit engines. Each reads the request's input files, computes observed
// and expected score frequencies and their chi-square, and writes the
// report files "OUT" and "OUTG" in the current working directory. The
// reports are put in place only when the run succeeds, whole: any other
// result leaves the earlier reports as they were. Each run owns its
// storage, and runs may proceed side by side, in one process or several,
// in one folder too: the reports there then come whole from one of them.
//
// Each engine takes a plain request, on one thread: when table is given, it
// receives what the reports hold; when warnings is given, what looks wrong
// in the input files although the reading rules take it (a file short of
// values, scores outside the model's codes, ...). Warnings change no
// number of the run.
//
// Or it takes a whole run's request, and fills the outcome: the warnings,
// the counts by item and pair when asked, the forms with answers missing,
// and for a run that succeeds its model and table.
//
// Work and memory follow what the files hold: nodes past the end of a nodes
// file weigh nothing, and subjects or estimates past the end of theirs are
// all alike, so they are counted at once.

// 1, 2 or 3 parameters (parameterCount), normal or logistic metric.
FitResult FitBinaryModel(const FitRequest& request, ScoreTable* table = nullptr, FitWarnings* warnings = nullptr);
FitResult FitBinaryModel(const RunRequest& request, RunOutcome& outcome);

// Graded response model: category thresholds in difficultyFile.
FitResult FitGradedModel(const FitRequest& request, ScoreTable* table = nullptr, FitWarnings* warnings = nullptr);
FitResult FitGradedModel(const RunRequest& request, RunOutcome& outcome);

// Partial credit model: step parameters in difficultyFile.
FitResult FitPartialCreditModel(const FitRequest& request, ScoreTable* table = nullptr,
                                FitWarnings* warnings = nullptr);
FitResult FitPartialCreditModel(const RunRequest& request, RunOutcome& outcome);

// Any of the three, and each model's.
using FitEngineFunction = FitResult (*)(const RunRequest&, RunOutcome&);
FitEngineFunction EngineOf(FitModel::Kind kind);
