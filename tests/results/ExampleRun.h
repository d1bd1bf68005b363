#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "analysis/Analysis.h"
#include "tests/ShippedExample.h"

// The shipped 3PL example on its estimates, run as the program runs it:
// counting items and pairs.
inline std::shared_ptr<RunOutcome> RunExample()
{
    auto outcome = std::make_shared<RunOutcome>();
    EXPECT_EQ(RunShippedExample("3pl", "estimates", *outcome), kFitSuccess);
    return outcome;
}

// The analysis the program keeps of such a run.
inline std::shared_ptr<Analysis> AnalysisOf(const RunOutcome& run)
{
    AnalysisRequest request;
    request.fit = ShippedExampleRequest("3pl", "estimates");
    request.countItems = request.countPairs = true;
    return std::make_shared<Analysis>(request, run);
}
