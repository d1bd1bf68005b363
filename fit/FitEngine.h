#pragma once

#include "fit/FitRequest.h"
#include "fit/FitResult.h"

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
// Work and memory follow what the files hold: nodes past the end of a nodes
// file weigh nothing, and subjects or estimates past the end of theirs are
// all alike, so they are counted at once.

// 1, 2 or 3 parameters (parameterCount), normal or logistic metric.
FitResult FitBinaryModel(const FitRequest& request, ScoreTable* table = nullptr);

// Graded response model: category thresholds in difficultyFile.
FitResult FitGradedModel(const FitRequest& request, ScoreTable* table = nullptr);

// Partial credit model: step parameters in difficultyFile.
FitResult FitPartialCreditModel(const FitRequest& request, ScoreTable* table = nullptr);
