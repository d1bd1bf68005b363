#pragma once

#include <string>

#include "fit/FitEngine.h"

// A run of a shipped example as a user would set it up: model "3pl", "grm"
// or "pcm" on its first 1,000 subjects, latent "nodes20", "nodes51" or
// "estimates"; the counts by item and by pair in extras.
inline FitResult RunShippedExample(const std::string& model, const std::string& latent, ScoreTable& table,
                                   FitExtras& extras)
{
    const std::string examples = std::string(TALVER_EXAMPLES_DIR) + "/";
    const bool polytomous = model != "3pl";
    FitRequest r;
    r.subjectCount = 1000;
    r.itemCount = polytomous ? 10 : 20;
    r.categoryCount = polytomous ? 4 : 0;
    r.parameterCount = model == "pcm" ? 1 : 3;
    r.discriminationConstant = 1.0;
    r.discriminationFile = examples + model + "-discrimination.dat";
    r.difficultyFile =
        examples + model + (model == "grm" ? "-thresholds.dat" : model == "pcm" ? "-steps.dat" : "-difficulty.dat");
    r.cFile = examples + model + "-c.dat";
    r.scoreFile = examples + model + "-scores.dat";
    r.useEstimates = latent == "estimates";
    r.latentFile = examples + (r.useEstimates ? model + "-estimates.dat" : latent + ".dat");
    r.nodeCount = r.useEstimates ? 1000 : latent == "nodes20" ? 20 : 51;
    extras.countItems = extras.countPairs = true;
    return model == "grm"   ? FitGradedModel(r, &table, nullptr, &extras)
           : model == "pcm" ? FitPartialCreditModel(r, &table, nullptr, &extras)
                            : FitBinaryModel(r, &table, nullptr, &extras);
}
