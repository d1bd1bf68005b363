#pragma once

#include <string>

#include "fit/FitRequest.h"

enum class BatchModel { OnePL, TwoPL, ThreePL, Graded, PartialCredit };

// The batch runner's command line, turned into the request that the
// application's run driver for the same model would build.
struct BatchOptions {
    bool help = false;
    std::string error;  // empty when the command line is sound
    BatchModel model = BatchModel::OnePL;
    FitRequest request;
};

BatchOptions ParseBatchOptions(int argc, const char* const* argv);

extern const char* const kBatchUsage;
