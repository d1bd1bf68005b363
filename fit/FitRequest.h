#pragma once

#include <cstdint>
#include <string>

// One analysis run: what a run driver hands to exactly one fit engine.
// File names are carried whole; relative names resolve in the current
// working directory at the time of the engine call.
struct FitRequest {
    std::int32_t subjectCount = 0;   // N
    std::int32_t itemCount = 0;      // m
    std::int32_t categoryCount = 0;  // K, polytomous engines only
    std::string discriminationFile;  // read when parameterCount is 2 or 3
    std::string difficultyFile;      // or the category parameters
    std::string cFile;               // binary engine, parameterCount 3
    std::string scoreFile;
    std::string latentFile;          // nodes, or estimates when useEstimates is 1
    std::int32_t nodeCount = 0;      // Q
    std::int32_t metric = 0;         // 0 normal (D = 1.702), 1 logistic (D = 1)
    double discriminationConstant = 0.0;
    std::int32_t parameterCount = 0;  // 1, 2 or 3
    std::int32_t useEstimates = 0;    // 1: latentFile holds one estimate per subject
};

// Names of the shipped nodes files, opened by bare name.
inline constexpr const char* kNodes20File = "nodes20.dat";
inline constexpr const char* kNodes51File = "nodes51.dat";
