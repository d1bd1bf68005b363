#pragma once

#include "fit/FitRequest.h"

// What the program counts in every run without being asked: the counts the
// item fit and the local dependence need, where they take little memory
// (categories the model's K; 2 for binary items). Pairs also only for a
// test whose pairs its window can list.
constexpr double kLargestCounts = 64u << 20;  // bytes, for each of the two
constexpr int kMostListedPairItems = 300;
bool ItemCountsFit(const FitRequest& request, int categories);
bool PairCountsFit(const FitRequest& request, int categories);
