#pragma once

#include "fit/FitModel.h"
#include "fit/ItemCodeCounts.h"

// What a run keeps beyond its reports when asked: the subjects by total
// and by each item's category, counted in the same pass over the scores,
// and the model.
struct FitExtras {
    bool countItems = false;
    ItemCodeCounts byItem;  // filled when countItems
    FitModel model;         // filled by a run that succeeds
};
