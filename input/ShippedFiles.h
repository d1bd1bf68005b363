#pragma once

#include <string>

// Where the installation puts the shipped data files.
extern const char* const kInstalledDataFolder;

// Where a data file that ships with the programs (the nodes files) is read
// from: the working directory's own copy when it has one, as the engines
// look there; otherwise the copy beside the running program, or the
// installed one in installedFolder. The bare name when there is none, so
// that a run fails as it would have.
std::string LocateShippedFile(const std::string& name, const std::string& installedFolder = kInstalledDataFolder);
