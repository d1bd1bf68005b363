#include "analysis/AnalysisLimits.h"

#include "counts/ItemCodeCounts.h"
#include "counts/PairCounts.h"

namespace {

bool countable(int items, int categories, bool answersMissing)
{
    return items > 0 && CountableCategories(categories, answersMissing);
}

}  // namespace

bool ItemCountsFit(const FitRequest& request, int categories, bool answersMissing)
{
    return countable(request.itemCount, categories, answersMissing) &&
           ItemCodeCounts::MemoryFor(request.itemCount, categories, answersMissing) <= kLargestCounts;
}

bool PairCountsFit(const FitRequest& request, int categories, bool answersMissing)
{
    return countable(request.itemCount, categories, answersMissing) && request.itemCount > 1 &&
           PairCounts::MemoryFor(request.itemCount, categories, answersMissing) <= kLargestCounts;
}
