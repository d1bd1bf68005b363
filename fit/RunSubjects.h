#pragma once

#include "fit/FitResult.h"
#include "fit/RunOutcome.h"
#include "fit/RunRequest.h"
#include "input/SubjectRule.h"

// Every subject of a run's scores once more, in the file's order, through
// the same readers and rule as the run: its items, codes and missing
// codes, and with a file of numbers its subjects, those past the file's end
// included. kFitSuccess, or why the scores no longer read as the run read
// them (kTableSizeDiffers, with the fault in fault, when a table now holds
// other subjects).
FitResult ReadRunSubjects(const RunRequest& request, const RunOutcome& run, SubjectSink& subjects, TableFault& fault);
