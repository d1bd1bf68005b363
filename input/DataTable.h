#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Tables as spreadsheets and assessment platforms write them: a header line
// of column names, then one line a record; comma, tab or semicolon between
// fields, fields optionally in double quotes ("" for a quote in one), a
// UTF-8 byte order mark, CR LF line ends and a last line without a line
// end taken, empty lines at the end ignored.

// Whether a file's name says it holds a table: it ends in .csv or .tsv.
bool IsTableFileName(const std::string& path);

// Where and why a table cannot be read, for one line to the user.
struct TableFault {
    std::string file;
    std::int64_t line = 0;  // from 1, the header's; 0: the file as a whole
    std::string column;     // empty when no one column is at fault
    std::string what;

    bool empty() const { return what.empty(); }
    // "scores.csv, line 7, column "q3": the code "x" is not a whole number"
    std::string describe() const;
};

struct TableHeader {
    std::vector<std::string> names;
    char separator = ',';

    int column(std::string_view name) const;  // -1 when there is none
};

enum class TableRead { Done, NotOpened, Fault };

// Hears each record's fields, as many as the header has, and the line it
// starts on; returns false, having set fault, to stop the reading.
using TableRecordUse = std::function<bool(const std::vector<std::string>& fields, std::int64_t line)>;

// Reads the header (its names unique, none empty but the first's) and, when use is
// given, every record after it. The separator is the one of the three the
// header holds most of (tab, then semicolon, then comma on a tie; tab for a
// .tsv name when it holds none).
TableRead ReadTable(const std::string& path, TableHeader& header, TableFault& fault, const TableRecordUse& use = {});

// How a table's cell says that no answer was given: empty, NA in any
// case, or a full stop.
bool IsMissingCell(std::string_view cell);

// A whole number of 32 bits, signs and digits only; false for anything
// else.
bool ReadWholeNumber(std::string_view cell, std::int32_t& value);

// Fields keep their inner spaces; these go around them.
std::string_view TrimCell(std::string_view cell);

// A cell as a fault quotes it: trimmed, cut short past 24 characters.
std::string ShownCell(std::string_view cell);
