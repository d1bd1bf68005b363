#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "charts/ChartScene.h"
#include "stats/LocalDependence.h"

// The local dependence of every pair of items as an m x m heat map of the
// signed Cramér's V: dependence warm, its opposite cool, flagged pairs
// outlined, with a colour key.
struct PairMap {
    int items = 0;
    std::vector<double> signedV;  // m x m, symmetric, 0 on the diagonal
    std::vector<char> flagged;    // m x m
    std::vector<std::string> names;  // the items', when a table gives them
    std::string title;

    // Item k's label along the edges (from 1): its name, cut short, or
    // its number.
    std::string label(int item) const;

    // The V at which the colours are at their deepest: the largest |V|,
    // and never below 0.05.
    double scale() const;
};

// The title the heat map has in a file or a report.
inline constexpr const char* kPairMapTitle = "Local dependence of the item pairs";

// The map of a run's pairs, m items; here, for the batch runner draws
// through the chart module and links no toolkit.
inline PairMap PairMapOf(const LocalDependence& dependence, int items, const std::string& title)
{
    PairMap map;
    map.items = items;
    map.title = title;
    map.signedV.assign(static_cast<std::size_t>(items) * items, 0.0);
    map.flagged.assign(map.signedV.size(), 0);
    map.names = dependence.names;
    for (const LocalDependence::Pair& pair : dependence.pairs) {
        const std::size_t i = static_cast<std::size_t>(pair.first - 1), j = static_cast<std::size_t>(pair.second - 1);
        map.signedV[i * items + j] = map.signedV[j * items + i] = pair.sign * pair.v;
        map.flagged[i * items + j] = map.flagged[j * items + i] = pair.flagged;
    }
    return map;
}

// The colour of a signed V on a scale, as 0xRRGGBB: white at 0, deepening
// to red for positive and to blue for negative values, deepest at ±scale.
std::uint32_t DependenceColour(double signedV, double scale);

// Where the map goes in an area, its labels textSize pixels high: cells
// of side cell from (left, top), row i and column j the pair of items i + 1
// and j + 1; item numbers along the left and top edges, every
// labelStep-th, names up the top edge; the colour key's bar at the right.
struct PairMapLayout {
    int items = 0;
    double left = 0, top = 0, cell = 1, textSize = 12;
    int labelStep = 1;
    bool named = false;  // names, not numbers: the top edge's read upwards
    ChartScene::Box key;
    // The pair (items from 1, first < second) under a point; false off the
    // map and on its diagonal.
    bool pairAt(double x, double y, int& first, int& second) const;
    ChartScene::Box cellBox(int row, int column) const
    {
        return {left + column * cell, top + row * cell, left + (column + 1) * cell, top + (row + 1) * cell};
    }
};
// Whole pixels for each cell where a cell has one; titleHeight at the top
// for the title; margins for labels of up to labelLength characters
// (numbers when 0).
PairMapLayout LayoutPairMap(int items, double width, double height, double textSize, double titleHeight = 0,
                            std::size_t labelLength = 0);
// The layout of map's scene in a width x height area.
PairMapLayout LayoutPairMap(const PairMap& map, double width, double height, double textSize);

// The map in a width x height area, with its title when it has one.
ChartScene PairMapScene(const PairMap& map, double width, double height, double textSize);
// As a file has it: cells of up to 24 pixels, the picture sized to them.
ChartScene PairMapFileScene(const PairMap& map);

// Writes the heat map as PNG or SVG, by the name's extension; false for
// another extension or a file that cannot be written. In talver_charts.
bool SavePairMap(const PairMap& map, const std::string& path);
