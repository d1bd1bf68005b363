#include "analysis/AnalysisLimits.h"

#include "fit/ItemCodeCounts.h"
#include "fit/PairCounts.h"

namespace {

bool countable(int items, int categories)
{
    return items > 0 && categories >= 2 && categories <= kMostCountedCategories;
}

}  // namespace

bool ItemCountsFit(const FitRequest& request, int categories)
{
    return countable(request.itemCount, categories) &&
           ItemCodeCounts::MemoryFor(request.itemCount, categories) <= kLargestCounts;
}

bool PairCountsFit(const FitRequest& request, int categories)
{
    return countable(request.itemCount, categories) && request.itemCount > 1 &&
           request.itemCount <= kMostListedPairItems &&
           PairCounts::MemoryFor(request.itemCount, categories) <= kLargestCounts;
}
