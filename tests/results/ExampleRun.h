#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "fit/FitEngine.h"

// The shipped 3PL example on its estimates, run as the program runs it:
// counting items and pairs.
inline std::shared_ptr<FitExtras> RunExample()
{
    const std::string examples = TALVER_EXAMPLES_DIR;
    FitRequest r;
    r.subjectCount = 1000;
    r.itemCount = 20;
    r.discriminationFile = examples + "/3pl-discrimination.dat";
    r.difficultyFile = examples + "/3pl-difficulty.dat";
    r.cFile = examples + "/3pl-c.dat";
    r.scoreFile = examples + "/3pl-scores.dat";
    r.latentFile = examples + "/3pl-estimates.dat";
    r.nodeCount = 1000;
    r.useEstimates = 1;
    r.parameterCount = 3;
    auto extras = std::make_shared<FitExtras>();
    extras->countItems = extras->countPairs = true;
    EXPECT_EQ(FitBinaryModel(r, nullptr, nullptr, extras.get()), kFitSuccess);
    return extras;
}
