#pragma once

#include <cstdint>

#include "model/FitModel.h"

// What each model takes of the data, once for the engines, the front ends
// and the windows. Binary items have two categories, coded 0 and 1; the
// graded response and partial credit models the request's K, coded 1 to K.

int CategoriesOf(FitModel::Kind kind, int categoryCount);

struct ModelCodes {
    std::int32_t lowest, highest;
};
ModelCodes CodesOf(FitModel::Kind kind, int categoryCount);

// The parameters of each item, as the item fit's degrees of freedom count
// them: binaryParameters (1, 2 or 3) for binary items; K for graded ones,
// a discrimination and K − 1 thresholds; K − 1 steps for partial credit.
int ParameterCountOf(FitModel::Kind kind, int categoryCount, int binaryParameters);
