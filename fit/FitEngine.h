#pragma once

#include "fit/FitRequest.h"
#include "fit/FitResult.h"

// The fit engines. Each reads the request's input files, computes observed
// and expected score frequencies and their chi-square, and writes the
// report files "OUT" and "OUTG" in the current working directory. The
// report files are created only after every input file has been read, so a
// result from 1 to 5 (or 7) leaves earlier reports untouched. Each run owns
// its storage: runs may proceed side by side in one process, as long as
// they do not share a working directory.

// 1, 2 or 3 parameters (parameterCount), normal or logistic metric.
FitResult FitBinaryModel(const FitRequest& request);

// Graded response model: category thresholds in difficultyFile.
FitResult FitGradedModel(const FitRequest& request);

// Partial credit model: step parameters in difficultyFile.
FitResult FitPartialCreditModel(const FitRequest& request);
