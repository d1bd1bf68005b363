#pragma once

#include <string>
#include <vector>

#include "input/DataTable.h"

// Item parameters as calibration programs export them: one row an item,
// the columns named item (optional), a, b, b1 … b{K−1}, c or g, in any
// order; other columns are ignored.
enum class ParameterKind {
    Discrimination,  // a
    Difficulty,      // b
    Thresholds,      // b1 … b{K−1}, boundary by boundary
    C,               // c, or g
};

struct ParameterColumns {
    std::vector<float> values;  // for thresholds boundary by boundary, item by item within
    std::vector<std::string> names;  // the items' names in the table, in the scores' order; empty without them
};

// Reads the column(s) of kind, of as many items as the scores hold (their
// names, when they have them, or empty). When both name the items, the
// rows are matched to the scores' items by name; a name in one and not the
// other is a fault naming it. thresholds: K − 1, for Thresholds.
TableRead ReadParameterColumns(const std::string& path, ParameterKind kind, int items, int thresholds,
                               const std::vector<std::string>& scoreNames, ParameterColumns& read,
                               TableFault& fault);

// How many threshold columns b1, b2, … a table has in a row from b1; 0
// when it has none, or cannot be read.
int ThresholdColumnsOf(const std::string& path);

// Whether the table has a column of that name.
bool TableHasColumn(const std::string& path, const std::string& name);
