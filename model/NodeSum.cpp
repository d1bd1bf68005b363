#include "model/NodeSum.h"

#include <algorithm>
#include <functional>

#include "kernels/ScoreDistribution.h"
#include "kernels/Workers.h"

namespace {

// Nodes per block: enough work to make a hand-over cheap, and the block's
// distributions within bounds on a test of very many items. The blocks do
// not depend on the threads, so neither do the bits.
constexpr std::size_t kMostBlockNodes = 256, kLeastBlockNodes = 8;
constexpr std::size_t kBlockMemory = 16u << 20;
// What the blocks of distributions in the workers' hands may take
// together, however many processors the machine has.
constexpr std::size_t kBlocksInHandMemory = 256u << 20;

}  // namespace

void SumOverNodes(const std::function<std::unique_ptr<ItemModel>()>& makeModel, const std::vector<float>& theta,
                  const std::vector<float>& weight, std::vector<double>& sum, int threads)
{
    const std::size_t rows = sum.size(), nodes = theta.size();
    if (nodes == 0)
        return;
    const std::size_t rowBytes = std::max<std::size_t>(rows, 1) * sizeof(double);
    const std::size_t blockNodes = std::clamp(kBlockMemory / rowBytes, kLeastBlockNodes, kMostBlockNodes);
    const std::size_t blocks = (nodes + blockNodes - 1) / blockNodes;
    const std::size_t blockBytes = std::min(blockNodes, nodes) * rowBytes;
    const std::size_t workers = std::clamp<std::size_t>(std::min(kBlocksInHandMemory / blockBytes, blocks), 1,
                                                        static_cast<std::size_t>(std::max(threads, 1)));

    // Everything a worker needs, made here so that no worker can fail.
    struct Worker {
        std::unique_ptr<ItemModel> model;
        std::vector<double> f;
    };
    std::vector<Worker> pool(workers);
    for (Worker& worker : pool) {
        worker.model = makeModel();
        worker.f.resize(std::min(blockNodes, nodes) * rows);
    }

    RunInOrder(
        blocks, workers,
        [&](std::size_t b, std::size_t w) {
            const std::size_t first = b * blockNodes, count = std::min(blockNodes, nodes - first);
            pool[w].model->distributionsAt(theta.data() + first, count, rows, pool[w].f.data());
        },
        [&](std::size_t b, std::size_t w) {
            const std::size_t first = b * blockNodes, count = std::min(blockNodes, nodes - first);
            for (std::size_t k = 0; k < count; ++k)
                AddWeighted(sum.data(), weight[first + k], pool[w].f.data() + k * rows, rows);
            return true;
        });
}
