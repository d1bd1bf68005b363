// A suite started with TALVER_VECTORS naming a path this processor lacks
// is skipped (status 77), never run on another path in its place.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fit/VectorPath.h"

namespace {

const bool kChosen = [] {
    VectorPath path;
    std::string error;
    if (!ChooseVectorPath(std::getenv("TALVER_VECTORS"), path, error)) {
        std::fprintf(stderr, "%s: skipped\n", error.c_str());
        std::exit(77);
    }
    UseVectorPath(path);
    return true;
}();

}  // namespace
