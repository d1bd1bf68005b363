#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The local dependence of every pair of items as an m x m heat map of the
// signed Cramér's V: dependence warm, its opposite cool, flagged pairs
// outlined, with a colour key.
struct PairMap {
    int items = 0;
    std::vector<double> signedV;  // m x m, symmetric, 0 on the diagonal
    std::vector<char> flagged;    // m x m
    std::string title;

    // The V at which the colours are at their deepest: the largest |V|,
    // and never below 0.05.
    double scale() const;
};

// The colour of a signed V on a scale, as 0xRRGGBB: white at 0, deepening
// to red for positive and to blue for negative values, deepest at ±scale.
std::uint32_t DependenceColour(double signedV, double scale);

// Writes the heat map as PNG or SVG, by the name's extension; false for
// another extension or a file that cannot be written.
bool SavePairMap(const PairMap& map, const std::string& path);
