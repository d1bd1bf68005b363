#include "fit/PairExpectation.h"

#include <algorithm>

#include "fit/VectorKernels.h"
#include "fit/VectorPath.h"
#include "fit/Workers.h"

namespace {

// Points per block; the blocks, not the threads, set the order of the sums.
constexpr std::size_t kBlockPoints = 1024;

}  // namespace

PairExpectation::PairExpectation(int items, int categories)
    : items_(items), categories_(categories), shares_(width() * width(), 0.0)
{
}

bool ExpectPairCategories(const FitModel& model, PairExpectation& expectation, int threads,
                          const std::function<bool(double)>& progress)
{
    const int m = model.items.itemCount, K = model.items.categoryCount;
    PairExpectation result(m, K);
    std::vector<double> theta, weight;
    model.mergedLatent(theta, weight);
    const std::size_t size = result.shares_.size(), points = theta.size();
    const std::size_t blocks = (points + kBlockPoints - 1) / kBlockPoints;
    const std::size_t workers = std::clamp<std::size_t>(blocks, 1, static_cast<std::size_t>(std::max(threads, 1)));
    struct Worker {
        std::unique_ptr<ItemModel> model;
        std::vector<double> P, sums;
    };
    std::vector<Worker> pool;
    for (std::size_t w = 0; w < workers && size > 0; ++w)
        pool.push_back({model.makeModel(), std::vector<double>(static_cast<std::size_t>(m) * K),
                        std::vector<double>(size)});
    double weightSum = 0.0;
    for (const double w : weight)
        weightSum += w;

    const VectorKernels& kernels = ActiveKernels();
    bool stopped = false;
    if (size > 0)
        RunInOrder(
            blocks, workers,
            [&](std::size_t b, std::size_t w) {
                Worker& worker = pool[w];
                std::fill(worker.sums.begin(), worker.sums.end(), 0.0);
                for (std::size_t q = b * kBlockPoints; q < std::min(points, (b + 1) * kBlockPoints); ++q) {
                    worker.model->categoriesAt(theta[q], worker.P.data());
                    kernels.addProducts(worker.P.data(), static_cast<std::size_t>(m), static_cast<std::size_t>(K),
                                        weight[q], worker.sums.data());
                }
            },
            [&](std::size_t b, std::size_t w) {
                const std::vector<double>& sums = pool[w].sums;
                for (std::size_t k = 0; k < size; ++k)
                    result.shares_[k] += sums[k];
                stopped = progress && !progress(static_cast<double>(b + 1) / static_cast<double>(blocks));
                return !stopped;
            });
    if (stopped)
        return false;
    for (double& share : result.shares_)
        share = weightSum > 0.0 ? share / weightSum : 0.0;
    expectation = std::move(result);
    return true;
}
