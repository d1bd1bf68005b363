#pragma once

#include <cstdint>
#include <string>

#include "counts/MissingCodes.h"
#include "fit/FitRequest.h"
#include "input/ScoreSheet.h"
#include "model/FitModel.h"
#include "stats/PersonFit.h"

// The batch runner's command line, turned into the request that the
// application's run driver for the same model would build.
struct BatchOptions {
    bool help = false;
    bool version = false;
    std::string error;  // empty when the command line is sound
    FitModel::Kind kind = FitModel::Kind::Binary;  // of the model, whose parameters the request counts
    FitRequest request;
    MissingCodes missing;  // codes of answers not given; none by default
    bool scoresAsTable = false;  // whatever the name of the scores file
    ScoreColumns scoreColumns;
    // What is printed after a run that succeeded.
    std::string format = "table";  // table, csv or json
    bool quiet = false;
    bool strict = false;       // any warning about the input fails the run
    double minExpected = 5.0;  // pooling of sparse cells
    std::string plotFile;      // a chart, .png or .svg; empty for none
    bool itemFit = false;      // S-X² of every item
    double itemMinExpected = 1.0;
    std::string itemPlotFile;  // the items' charts, .png or .svg; empty for none
    bool pairs = false;        // local dependence X² of every pair of items
    std::string pairsPlotFile;  // the pairs' heat map, .png or .svg; empty for none
    std::string reportFile;     // the whole diagnosis, .html or .pdf; empty for none
    std::uint64_t replicates = 0;  // Monte Carlo p-values; 0 for none
    std::uint64_t seed = 1;        // of those and of the subjects' simulations
    bool personFit = false;        // each subject's lz*, infit and outfit
    ThetaEstimator estimator = ThetaEstimator::Wle;
    std::string personsFile;       // every subject's row, .csv; empty for none
    std::string personPlotFile;    // the histogram of lz*, .png or .svg; empty for none
    std::uint64_t personReplicates = 0;  // each subject's simulated p; 0 for none
};

BatchOptions ParseBatchOptions(int argc, const char* const* argv);

extern const char* const kBatchUsage;
