#pragma once

#include <gtest/gtest.h>

#include "kernels/VectorPath.h"

// Runs body(path) on every vector path this processor has, narrowest
// first, then goes back to the path that was in use.
template <typename Body>
void OnEveryVectorPath(Body body)
{
    const VectorPath before = ActiveVectorPath();
    for (const VectorPath path : AvailableVectorPaths()) {
        UseVectorPath(path);
        SCOPED_TRACE(VectorPathName(path));
        body(path);
    }
    UseVectorPath(before);
}
