#include "fit/ItemModels.h"

#include "fit/ItemResponse.h"
#include "fit/ScoreDistribution.h"

ItemParameters::ItemParameters(int itemCount, int categoryCount)
    : itemCount(itemCount),
      categoryCount(categoryCount),
      b(static_cast<std::size_t>(itemCount) * (categoryCount - 1)),
      a(itemCount),
      c(itemCount)
{
}

BinaryItems::BinaryItems(const ItemParameters& items, double D)
    : items_(items), D_(D), P_(items.itemCount), work_(static_cast<std::size_t>(items.itemCount) + 1)
{
}

void BinaryItems::distributionAt(double theta, double* f)
{
    for (int i = 0; i < items_.itemCount; ++i)
        P_[i] = ItemResponseProbability(theta, items_.a[i], items_.b[i], items_.c[i], D_);
    NumberCorrectDistribution(P_.data(), items_.itemCount, f, work_.data());
}

PolytomousItems::PolytomousItems(const ItemParameters& items, CategoryFunction categories)
    : items_(items),
      categories_(categories),
      byItem_(items.b.size()),
      P_(static_cast<std::size_t>(items.itemCount) * items.categoryCount),
      work_(TotalScoreWorkSize(items.itemCount, items.categoryCount))
{
    const std::size_t m = items.itemCount, boundaries = items.categoryCount - 1;
    for (std::size_t k = 0; k < boundaries; ++k)
        for (std::size_t i = 0; i < m; ++i)
            byItem_[i * boundaries + k] = items.b[k * m + i];
}

void PolytomousItems::distributionAt(double theta, double* f)
{
    const int m = items_.itemCount, K = items_.categoryCount;
    for (int i = 0; i < m; ++i)
        categories_(items_.a[i], theta, byItem_.data() + static_cast<std::size_t>(i) * (K - 1), K - 1,
                    P_.data() + static_cast<std::size_t>(i) * K);
    TotalScoreDistribution(P_.data(), m, K, f, work_.data());
}
