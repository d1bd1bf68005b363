#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "counts/AnswerForms.h"
#include "counts/ItemCodeCounts.h"
#include "counts/MissingCodes.h"
#include "counts/PairCounts.h"
#include "input/InputNotes.h"
#include "input/SubjectRule.h"

// Counting the subjects' totals of a score file, by score row: row k of
// observed gains one for each subject whose total is firstScore + k.
// Totals outside the rows are not counted. On the way the count notes how
// far the file could be read, whether more follows, and the scores outside
// codes.lowest … codes.highest. When the caller gives byItem or pairs the
// items and the codes' range (empty counts of its own size), the count
// fills them too. With missing codes, a subject's total adds up the codes
// it answered, one who answered nothing counts in no row, missing codes
// are not noted as outside the range, and forms (made active by the
// caller) gathers the subjects' forms, in their fixed order.
struct ScoreCount {
    std::vector<double> observed;  // one per row, zeros to begin with
    FileNotes file;
    CodeNotes codes;               // the caller sets the codes' range
    MissingCodes missing;
    ItemCodeCounts byItem;
    PairCounts pairs;  // flushed
    AnswerForms forms;
    // Hears every subject, in the file's order: the subjects of a file of
    // simple numbers are then read in one part, a table record by record.
    SubjectSink* persons = nullptr;
};

// The reading rules, number by number: once a read fails every later score
// is 0, and the subjects past the end of the file total 0. False when the
// file cannot be opened.
bool CountScores(const std::string& path, std::int64_t subjects, int items, std::int64_t firstScore,
                 ScoreCount& count);

// Sizes of the parallel counter's work; tests make them small.
struct ScoreCounterSettings {
    std::uint64_t smallestFile = 8u << 20;  // below it threads would not pay
    std::uint64_t largestPart = 16u << 20;  // parts are read round by round
    std::size_t piece = 1u << 20;           // one read, per thread
};

// How many workers a count of the file in parts takes, its size in size:
// up to threads, as many as the workers' pieces, histograms and counts
// allow within a fixed budget however many processors the machine has.
// 0 when the file is not to be read in parts: too small for threads to
// pay, not a regular file, too many rows, or settings out of range.
std::size_t PartWorkers(const std::string& path, const ScoreCount& count, int threads,
                        const ScoreCounterSettings& settings, std::uint64_t& size);

// The same counts and notes as CountScores, on up to threads threads, when
// the file holds nothing but short unsigned decimals (at most nine digits,
// no leading zero) between white space, as score files do; only the part
// of the file the run needs is read. Returns false, having changed nothing,
// for any other file. An exception of a worker (no memory) is thrown here.
bool CountSimpleScores(const std::string& path, std::int64_t subjects, int items, std::int64_t firstScore,
                       ScoreCount& count, int threads, const ScoreCounterSettings& settings = {});
