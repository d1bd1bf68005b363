#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "counts/AnswerForms.h"
#include "counts/ItemCodeCounts.h"
#include "counts/PairCounts.h"
#include "fit/FitWarning.h"
#include "fit/OutFiles.h"
#include "fit/ScoreTable.h"
#include "input/DataTable.h"
#include "model/FitModel.h"

// What one engine run found beyond its reports.
struct RunOutcome {
    // What looks wrong in the input although the run may go on; filled once
    // the inputs are read, whatever happens after.
    std::vector<FitWarning> warnings;
    TableFault tableFault;  // why a run ended with kTableError or kTableSizeDiffers
    // The items' names, from the score table or a parameter table; empty
    // when neither names them.
    std::vector<std::string> itemNames;
    // Whether a run of a common discrimination (1pl, pcm) took each item's
    // from a column a of its difficulty table instead.
    bool discriminationFromTable = false;
    AnswerForms forms;      // with answers missing
    ItemCodeCounts byItem;  // when asked to count items
    PairCounts pairs;       // when asked to count pairs
    // Filled by a run that succeeds.
    FitModel model;
    std::int64_t subjects = 0;  // N
    ScoreTable table;           // what the reports hold
    std::shared_ptr<OutFiles> reports;  // with keepReports
};
