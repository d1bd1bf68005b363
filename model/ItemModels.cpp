#include "model/ItemModels.h"

#include <algorithm>
#include <cmath>

#include "kernels/ScoreDistribution.h"
#include "kernels/VectorKernels.h"
#include "kernels/VectorPath.h"
#include "model/ItemResponse.h"

ItemParameters::ItemParameters(int itemCount, int categoryCount)
    : itemCount(itemCount),
      categoryCount(categoryCount),
      b(static_cast<std::size_t>(itemCount) * (categoryCount - 1)),
      a(itemCount),
      c(itemCount)
{
}

ItemParameters ItemParameters::subset(const std::vector<int>& items) const
{
    ItemParameters part(static_cast<int>(items.size()), categoryCount);
    const std::size_t m = static_cast<std::size_t>(itemCount), n = items.size();
    for (std::size_t p = 0; p < n; ++p) {
        const std::size_t i = static_cast<std::size_t>(items[p]);
        part.a[p] = a[i];
        part.c[p] = c[i];
        for (std::size_t k = 0; k + 1 < static_cast<std::size_t>(categoryCount); ++k)
            part.b[k * n + p] = b[k * m + i];
    }
    return part;
}

void ItemModel::distributionsAt(const float* theta, std::size_t count, std::size_t rows, double* f)
{
    for (std::size_t k = 0; k < count; ++k)
        distributionAt(theta[k], f + k * rows);
}

BinaryItems::BinaryItems(const ItemParameters& items, double D)
    : items_(items),
      D_(D),
      P_(items.itemCount),
      work_(NumberCorrectWorkSize(items.itemCount)),
      lanes_(NumberCorrectLanesSize(items.itemCount))
{
}

void BinaryItems::distributionsAt(const float* theta, std::size_t count, std::size_t rows, double* f)
{
    const int m = items_.itemCount;
    double* totals = lanes_.data();
    double* P = totals + (static_cast<std::size_t>(m) + 1) * kNumberCorrectLanes;
    for (std::size_t first = 0; first < count; first += kNumberCorrectLanes) {
        const std::size_t group = std::min(kNumberCorrectLanes, count - first);
        // ItemResponseProbability lane by lane, step by step, the
        // exponentials of all items at once: the same bits.
        double t[kNumberCorrectLanes];
        for (std::size_t l = 0; l < kNumberCorrectLanes; ++l)
            t[l] = theta[first + std::min(l, group - 1)];
        for (int i = 0; i < m; ++i) {
            double* z = P + static_cast<std::size_t>(i) * kNumberCorrectLanes;
            const double Da = D_ * items_.a[i], b = items_.b[i];
            for (std::size_t l = 0; l < kNumberCorrectLanes; ++l)
                z[l] = Da * (t[l] - b);
        }
        Exponentials(P, static_cast<std::size_t>(m) * kNumberCorrectLanes);
        for (int i = 0; i < m; ++i) {
            double* e = P + static_cast<std::size_t>(i) * kNumberCorrectLanes;
            const double c = items_.c[i];
            for (std::size_t l = 0; l < kNumberCorrectLanes; ++l)
                e[l] = c + (1.0 - c) * LogisticOf(e[l]);
        }
        NumberCorrectLanes(P, m, totals);
        for (std::size_t l = 0; l < group; ++l)
            for (std::size_t s = 0; s < rows; ++s)
                f[(first + l) * rows + s] = totals[s * kNumberCorrectLanes + l];
    }
}

void BinaryItems::categoriesAt(double theta, double* P)
{
    // ItemResponseProbability step by step, the items' exponentials at once.
    const int m = items_.itemCount;
    for (int i = 0; i < m; ++i)
        P_[i] = D_ * items_.a[i] * (theta - items_.b[i]);
    Exponentials(P_.data(), static_cast<std::size_t>(m));
    for (int i = 0; i < m; ++i) {
        const double c = items_.c[i], p = c + (1.0 - c) * LogisticOf(P_[i]);
        P[2 * i] = 1.0 - p;
        P[2 * i + 1] = p;
    }
}

void BinaryItems::distributionAt(double theta, double* f)
{
    for (int i = 0; i < items_.itemCount; ++i)
        P_[i] = ItemResponseProbability(theta, items_.a[i], items_.b[i], items_.c[i], D_);
    NumberCorrectDistribution(P_.data(), items_.itemCount, f, work_.data());
}

PolytomousItems::PolytomousItems(const ItemParameters& items, Kind kind)
    : items_(items),
      kind_(kind),
      byItem_(items.b.size()),
      P_(static_cast<std::size_t>(items.itemCount) * items.categoryCount),
      work_(std::max(TotalScoreWorkSize(items.itemCount, items.categoryCount),
                     static_cast<std::size_t>(std::max(items.categoryCount, 1)) * kLanes))
{
    const std::size_t m = items.itemCount, boundaries = items.categoryCount - 1;
    for (std::size_t k = 0; k < boundaries; ++k)
        for (std::size_t i = 0; i < m; ++i)
            byItem_[i * boundaries + k] = items.b[k * m + i];
}

// Every item at once, the items side by side in the vectors; a partial
// credit item whose exponentials overflow is worked out alone, relative to
// its largest exponent.
void PolytomousItems::categoriesAt(double theta, double* P)
{
    const int m = items_.itemCount, K = items_.categoryCount;
    const VectorKernels& kernels = ActiveKernels();
    if (kind_ == Kind::Graded) {
        kernels.gradedCategories(items_.a.data(), items_.b.data(), m, K, theta, P);
        return;
    }
    if (!kernels.partialCreditCategories(items_.a.data(), items_.b.data(), m, K, theta, P, work_.data()))
        return;
    for (int i = 0; i < m; ++i) {
        double* p = P + static_cast<std::size_t>(i) * K;
        if (std::isnan(p[0]))
            PartialCreditProbabilities(items_.a[i], theta, byItem_.data() + static_cast<std::size_t>(i) * (K - 1),
                                       K - 1, p);
    }
}

void PolytomousItems::distributionAt(double theta, double* f)
{
    categoriesAt(theta, P_.data());
    TotalScoreDistribution(P_.data(), items_.itemCount, items_.categoryCount, f, work_.data());
}
