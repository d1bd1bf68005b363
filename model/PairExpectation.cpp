#include "model/PairExpectation.h"

#include <algorithm>

#include "kernels/VectorKernels.h"
#include "kernels/VectorPath.h"
#include "kernels/Workers.h"

namespace {

// Points per block; the blocks, not the threads, set the order of the sums.
constexpr std::size_t kBlockPoints = 1024;

}  // namespace

PairExpectation::PairExpectation(int items, int categories)
    : items_(items), categories_(categories), shares_(items > 0 ? rowsBefore(items) : 0, 0.0)
{
}

bool ExpectPairCategories(const FitModel& model, PairExpectation& expectation, int threads,
                          const std::function<bool(double)>& progress, double scratch)
{
    const int m = model.items.itemCount, K = model.items.categoryCount;
    PairExpectation result(m, K);
    std::vector<double> theta, weight;
    model.mergedLatent(theta, weight);
    const std::size_t size = result.shares_.size(), points = theta.size();
    const std::size_t blocks = (points + kBlockPoints - 1) / kBlockPoints;
    // Parts of the items' rows, of about equal size, so that the workers'
    // sums take the same memory on any number of threads.
    const ScratchShare share =
        ShareScratch(static_cast<double>(size) * sizeof(double), blocks, static_cast<std::size_t>(std::max(m - 1, 1)),
                     threads, scratch);
    std::vector<int> cuts{0};
    for (int i = 1; i < m && cuts.size() < share.parts; ++i)
        if (result.rowsBefore(i) * share.parts >= size * cuts.size())
            cuts.push_back(i);
    cuts.push_back(m);
    const std::size_t parts = cuts.size() - 1;
    std::size_t partSize = 0;
    for (std::size_t c = 0; c < parts; ++c)
        partSize = std::max(partSize, result.rowsBefore(cuts[c + 1]) - result.rowsBefore(cuts[c]));
    struct Worker {
        std::unique_ptr<ItemModel> model;
        std::vector<double> P, sums;
    };
    std::vector<Worker> pool;
    for (std::size_t w = 0; w < share.workers && size > 0; ++w)
        pool.push_back({model.makeModel(), std::vector<double>(static_cast<std::size_t>(m) * K),
                        std::vector<double>(partSize)});
    double weightSum = 0.0;
    for (const double w : weight)
        weightSum += w;

    const VectorKernels& kernels = ActiveKernels();
    const std::size_t tasks = blocks * parts;
    bool stopped = false;
    if (size > 0)
        RunInOrder(
            tasks, share.workers,
            [&](std::size_t t, std::size_t w) {
                Worker& worker = pool[w];
                const std::size_t b = t / parts, c = t % parts;
                const std::size_t lo = static_cast<std::size_t>(cuts[c]), hi = static_cast<std::size_t>(cuts[c + 1]);
                std::fill(worker.sums.begin(), worker.sums.end(), 0.0);
                for (std::size_t q = b * kBlockPoints; q < std::min(points, (b + 1) * kBlockPoints); ++q) {
                    worker.model->categoriesAt(theta[q], worker.P.data());
                    kernels.addProducts(worker.P.data() + lo * K, static_cast<std::size_t>(m) - lo,
                                        static_cast<std::size_t>(K), hi - lo, weight[q], worker.sums.data());
                }
            },
            [&](std::size_t t, std::size_t w) {
                const std::vector<double>& sums = pool[w].sums;
                const std::size_t c = t % parts;
                const std::size_t from = result.rowsBefore(cuts[c]), to = result.rowsBefore(cuts[c + 1]);
                for (std::size_t k = from; k < to; ++k)
                    result.shares_[k] += sums[k - from];
                stopped = progress && !progress(static_cast<double>(t + 1) / static_cast<double>(tasks));
                return !stopped;
            });
    if (stopped)
        return false;
    for (double& share : result.shares_)
        share = weightSum > 0.0 ? share / weightSum : 0.0;
    expectation = std::move(result);
    return true;
}
