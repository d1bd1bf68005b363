#pragma once

#include <string>

#include "fit/FitRequest.h"
#include "input/DataTable.h"
#include "input/FileRole.h"
#include "model/FitModel.h"

// An engine's result: 0 on success, otherwise the first thing that failed.
enum FitResult : int {
    kFitSuccess = 0,
    kDiscriminationFileError = 1,
    kDifficultyFileError = 2,
    kCFileError = 3,
    kScoreFileError = 4,
    kLatentFileError = 5,
    kReportFileError = 6,  // "OUT" or "OUTG" cannot be written whole
    kOutOfMemory = 7,      // working storage cannot be obtained
    // A value read beyond single precision (it reads as infinite): the
    // file's own code plus 7. For the discrimination, the constant too.
    kDiscriminationValueError = 8,
    kDifficultyValueError = 9,
    kCValueError = 10,
    kLatentValueError = 12,
    // Finite inputs whose frequencies or chi-square exceed the single
    // precision the graph report is read back in (C indices or weights far
    // out of range, or a score observed where the model expects next to
    // nobody).
    kResultOutOfRange = 13,
    // A score or parameter table that does not read as one (a record of the
    // wrong length, a code or parameter that is no number, a column
    // missing, ...), and a table's counts that differ from those given.
    kTableError = 14,
    kTableSizeDiffers = 15,
};

// What the user is told of a run of the model that ended with result: one
// sentence that names the file at fault, and for a relative name the folder
// it was looked for in (the working directory of the run). Every front end
// says this.
std::string DescribeFitResult(FitResult result, const FitRequest& request, FitModel::Kind model,
                              const std::string& folder);

// What a table's reading ends a run with: openError when it cannot be
// opened, kTableError when it is no table, success otherwise.
FitResult TableReadResult(TableRead read, FitResult openError);

// The folder relative names resolve in, as the faults name it: the
// working directory.
std::string WorkingFolder();

// What a model's difficultyFile holds: difficulties, thresholds or steps.
FileRole DifficultyFileRole(FitModel::Kind model);
