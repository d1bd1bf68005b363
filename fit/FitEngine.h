#pragma once

#include "fit/FitRequest.h"
#include "fit/FitResult.h"

#include "fit/FitExtras.h"
#include "fit/FitWarning.h"
#include "fit/ReportFile.h"

// The fit engines. Each reads the request's input files, computes observed
// and expected score frequencies and their chi-square, and writes the
// report files "OUT" and "OUTG" in the current working directory. The
// reports are put in place only when the run succeeds, whole: any other
// result leaves the earlier reports as they were. When table is given, it
// receives what the reports hold. Each run owns its storage, and runs may
// proceed side by side, in one process or several, in one folder too: the
// reports there then come whole from one of them.
//
// When warnings is given, it receives what looks wrong in the input files
// although the reading rules take it (a file short of values, scores
// outside the model's codes, ...). Warnings change no number of the run.
//
// When extras is given and asks for them, the run counts the subjects by
// total and by each item's category, and by the categories of each pair of
// items, too; a run that succeeds leaves its model there.
//
// Work and memory follow what the files hold: nodes past the end of a nodes
// file weigh nothing, and subjects or estimates past the end of theirs are
// all alike, so they are counted at once.

// 1, 2 or 3 parameters (parameterCount), normal or logistic metric.
FitResult FitBinaryModel(const FitRequest& request, ScoreTable* table = nullptr, FitWarnings* warnings = nullptr,
                         FitExtras* extras = nullptr);

// Graded response model: category thresholds in difficultyFile.
FitResult FitGradedModel(const FitRequest& request, ScoreTable* table = nullptr, FitWarnings* warnings = nullptr,
                         FitExtras* extras = nullptr);

// Partial credit model: step parameters in difficultyFile.
FitResult FitPartialCreditModel(const FitRequest& request, ScoreTable* table = nullptr, FitWarnings* warnings = nullptr,
                         FitExtras* extras = nullptr);

// Any of the three.
using FitEngineFunction = FitResult (*)(const FitRequest&, ScoreTable*, FitWarnings*, FitExtras*);
