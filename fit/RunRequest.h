#pragma once

#include "counts/MissingCodes.h"
#include "fit/FitRequest.h"
#include "input/ScoreSheet.h"

// Everything one engine run is asked: the request's files and sizes, and
// what the run is to do beyond its reports.
struct RunRequest {
    FitRequest fit;
    // Codes of answers not given (none within the model's codes): each
    // subject then has the form of the items it answered, and the
    // expected frequencies add up each form's (AnswerForms).
    MissingCodes missing;
    // The scores as a table: always with scoresAsTable, else when the
    // file's name ends in .csv or .tsv (DataTable.h). Its counts are the
    // run's; counts given in the request must agree (kTableSizeDiffers). A
    // cell without an answer makes each subject's form count, as missing
    // codes do.
    bool scoresAsTable = false;
    ScoreColumns scoreColumns;
    // Count the subjects by each item's categories, and by the categories
    // of each pair of items, in the same pass as their totals.
    bool countItems = false;
    bool countPairs = false;
    // A run that succeeds leaves its reports written but not in place, for
    // the caller to put there (OutFiles::place) once the rest of its work
    // has succeeded.
    bool keepReports = false;
    // How many threads the run may use; the front ends take it from
    // TALVER_THREADS (ThreadCountFromEnvironment). The results are the same
    // on any number.
    int threads = 1;
};
