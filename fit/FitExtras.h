#pragma once

#include <cstdint>

#include "fit/FitModel.h"
#include "fit/ItemCodeCounts.h"
#include "fit/ReportFile.h"
#include "fit/PairCounts.h"

// What a run keeps beyond its reports when asked: the subjects by total
// and by each item's category, and by the categories of each pair of
// items, counted in the same pass over the scores, and the model.
struct FitExtras {
    bool countItems = false;
    ItemCodeCounts byItem;  // filled when countItems
    bool countPairs = false;
    PairCounts pairs;       // filled when countPairs
    FitModel model;         // filled by a run that succeeds, and so are
    std::int64_t subjects = 0;  // N
    ScoreTable table;           // what the reports hold
};
