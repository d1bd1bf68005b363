#pragma once

#include "fit/FitRequest.h"

// What the program counts in every run without being asked: the counts the
// item fit and the local dependence need, where they take little memory
// (categories the model's K; 2 for binary items).
constexpr double kLargestCounts = 64u << 20;  // bytes, for each of the two
// With answersMissing, counted as answers may be missing (one category
// fewer, and room to count who answered).
bool ItemCountsFit(const FitRequest& request, int categories, bool answersMissing = false);
bool PairCountsFit(const FitRequest& request, int categories, bool answersMissing = false);
