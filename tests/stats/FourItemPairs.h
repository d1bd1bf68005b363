#pragma once

#include "stats/LocalDependence.h"

// The six pairs of four items, in order, with X² 3.5, 12.25, 0.5, 7.75,
// 1 and 30.5 on one df: the largest are (3, 4), (1, 3) and (2, 3).
inline LocalDependence FourItemPairs()
{
    LocalDependence dependence;
    const double x2[] = {3.5, 12.25, 0.5, 7.75, 1.0, 30.5};
    for (int first = 1, k = 0; first <= 4; ++first)
        for (int second = first + 1; second <= 4; ++second, ++k) {
            LocalDependence::Pair pair;
            pair.first = first;
            pair.second = second;
            pair.x2 = x2[k];
            pair.df = 1;
            dependence.pairs.push_back(pair);
        }
    return dependence;
}
