#pragma once

#include <string>

#include "stats/TextFormat.h"

// Items and pairs whose Benjamini-Hochberg adjusted p falls below this are
// flagged.
constexpr double kFlagLevel = 0.05;

// The rule in the words every table and window uses.
inline std::string FlagRule() { return FormatText("adjusted p below %g", kFlagLevel); }
