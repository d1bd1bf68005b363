#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Counts the subjects' totals of a large score file on several threads, when
// the file holds nothing but short unsigned decimals (at most nine digits,
// no leading zero) between white space, as score files do. Then it gives
// exactly what reading the file number by number gives: subjects past the
// end of the file total 0, the one the file ends in keeps what it has.
// Returns false, having counted nothing, for any other file; the caller
// then reads it the general way.
bool CountSimpleScores(const std::string& path, std::int64_t subjects, int items, std::int64_t firstScore,
                       std::vector<double>& observed, int threads);
