#pragma once

// What an input file gives a run, and how the user is told of it: one text
// a role, for the warnings, the faults and the report alike.
enum class FileRole { Discrimination, Difficulty, Thresholds, Steps, CIndices, Scores, Nodes, Estimates };

// "discrimination", "C indices", "latent distribution", ...
const char* FileRoleText(FileRole role);
