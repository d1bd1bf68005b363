#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fit/FitRequest.h"
#include "input/InputNotes.h"

// One thing in the input that looks wrong although the run succeeded: a
// fixed word for its kind (short_file, trailing_values, score_out_of_range,
// decreasing_thresholds, weights_sum, c_out_of_range,
// nonpositive_discrimination, no_answers), the file it concerns, and one
// sentence for the user with the numbers and the likely cause.
struct FitWarning {
    std::string kind;
    std::string file;
    std::string message;
};

// What a run found wrong in its input, besides its reports.
struct FitWarnings {
    std::vector<FitWarning> found;
};

// 19800 as "19,800", as the user reads counts.
std::string GroupDigits(std::int64_t value);

// The warnings a run's notes give, in the order the files were read. Every
// front end says these.
std::vector<FitWarning> DescribeInputNotes(const InputNotes& notes);
