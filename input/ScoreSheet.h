#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/DataTable.h"
#include "input/ScoreCounter.h"

// The columns of a score table the user picks: the subjects' identifiers
// (kept, never scored; by default a first column without a name, as R
// writes row names) and the items, in order; none named, every column but
// the identifiers' is an item, in the file's order.
struct ScoreColumns {
    std::string id;
    std::vector<std::string> items;
};

// A score table whose header has been read: which columns hold what.
struct ScoreSheet {
    std::string path;
    TableHeader header;
    int idColumn = -1;
    std::vector<int> itemColumns;  // in the items' order

    int items() const { return static_cast<int>(itemColumns.size()); }
    std::vector<std::string> itemNames() const;
};

TableRead OpenScoreSheet(const std::string& path, const ScoreColumns& columns, ScoreSheet& sheet, TableFault& fault);

enum class SheetCount {
    Done,
    NotOpened,
    Fault,
    // A cell holds no answer, and the count was not asked to take that:
    // nothing is counted, so that it can begin again with answers missing.
    AnswersMissing,
};

// The same counts and notes as CountScores, of every record of the table,
// their number in subjects. A cell that is empty, NA or a full stop holds
// no answer, taken as a missing code is when answersMissing; every other
// cell of an item is a whole number. A record of the wrong length or a
// cell that is not a code is a fault, and then the count is unfinished. A
// large table of nothing but short codes, identifiers plain or in quotes
// and line ends is read in parts side by side; any other, record by
// record. Memory does not grow with the records.
SheetCount CountSheetScores(const ScoreSheet& sheet, std::int64_t firstScore, bool answersMissing, ScoreCount& count,
                            std::int64_t& subjects, TableFault& fault, int threads,
                            const ScoreCounterSettings& settings = {});
