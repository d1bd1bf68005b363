#pragma once

#include <cstdint>
#include <memory>

#include "counts/AnswerForms.h"
#include "counts/ItemCodeCounts.h"
#include "counts/MissingCodes.h"
#include "counts/PairCounts.h"
#include "fit/ReportFile.h"
#include "fit/ReportFiles.h"
#include "input/ScoreSheet.h"
#include "model/FitModel.h"

// What a run keeps beyond its reports when asked: the subjects by total
// and by each item's category, and by the categories of each pair of
// items, counted in the same pass over the scores, and the model.
struct FitExtras {
    // Codes of answers not given (none within the model's codes): each
    // subject then has the form of the items it answered, and the
    // expected frequencies add up each form's (AnswerForms).
    MissingCodes missing;
    AnswerForms forms;  // filled when missing is not empty
    // The scores as a table: always with scoresAsTable, else when the
    // file's name ends in .csv or .tsv (DataTable.h). Its counts are the
    // run's; counts given in the request must agree (kTableSizeDiffers). A
    // cell without an answer makes each subject's form count, as missing
    // codes do.
    bool scoresAsTable = false;
    ScoreColumns scoreColumns;
    // The items' names, from the score table or a parameter table; empty
    // when neither names them.
    std::vector<std::string> itemNames;
    TableFault tableFault;  // why a run ended with kTableError or kTableSizeDiffers
    bool countItems = false;
    ItemCodeCounts byItem;  // filled when countItems
    bool countPairs = false;
    PairCounts pairs;       // filled when countPairs
    // Whether a run of a common discrimination (1pl, pcm) took each item's
    // from a column a of its difficulty table instead.
    bool discriminationFromTable = false;
    FitModel model;         // filled by a run that succeeds, and so are
    std::int64_t subjects = 0;  // N
    ScoreTable table;           // what the reports hold
    // With keepReports, a run that succeeds leaves its reports written
    // but not in place, for the caller to put there (ReportFiles::place)
    // once the rest of its work has succeeded.
    bool keepReports = false;
    std::shared_ptr<ReportFiles> reports;
};
