#pragma once

#include <string>

#include "fit/FitEngine.h"

// A shipped example as a user would set it up: model "3pl", "grm" or "pcm"
// on its first 1,000 subjects, latent "nodes20", "nodes51" or "estimates".
inline FitRequest ShippedExampleRequest(const std::string& model, const std::string& latent)
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
    return r;
}

// The model of the example.
inline FitModel::Kind ShippedExampleModel(const std::string& model)
{
    return model == "grm" ? FitModel::Kind::Graded
           : model == "pcm" ? FitModel::Kind::PartialCredit
                            : FitModel::Kind::Binary;
}

// A run of it, counting by item and by pair.
inline FitResult RunShippedExample(const std::string& model, const std::string& latent, RunOutcome& outcome,
                                   int threads = 1)
{
    RunRequest request;
    request.fit = ShippedExampleRequest(model, latent);
    request.countItems = request.countPairs = true;
    request.threads = threads;
    return EngineOf(ShippedExampleModel(model))(request, outcome);
}
