#pragma once

// An engine's result: 0 on success, otherwise the first thing that failed.
enum FitResult : int {
    kFitSuccess = 0,
    kDiscriminationFileError = 1,
    kDifficultyFileError = 2,
    kCFileError = 3,
    kScoreFileError = 4,
    kLatentFileError = 5,
    kReportFileError = 6,  // "OUT" or "OUTG" cannot be created
    kOutOfMemory = 7,      // working storage cannot be obtained
};
