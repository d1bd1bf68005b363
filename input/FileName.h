#pragma once

#include <algorithm>
#include <cctype>
#include <string>

// What a file's name ends in after the last dot of its own name (not of a
// folder's), in lower case: "csv" for "Data/Scores.CSV"; empty without
// one. Every front end tells tables, charts and reports apart by it.
inline std::string FileNameEnding(const std::string& path)
{
    const std::size_t dot = path.find_last_of("./");
    std::string ending = dot == std::string::npos || path[dot] == '/' ? std::string() : path.substr(dot + 1);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ending;
}
