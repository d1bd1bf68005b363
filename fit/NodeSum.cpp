#include "fit/NodeSum.h"

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include "fit/ScoreDistribution.h"

namespace {

// Nodes per block: enough work to make a hand-over cheap.
constexpr std::size_t kBlockNodes = 256;

}  // namespace

int FitThreadCount()
{
    if (const char* text = std::getenv("TALVER_THREADS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value > 0)
            return static_cast<int>(std::min(value, 256L));
    }
    return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

void SumOverNodes(const std::function<std::unique_ptr<ItemModel>()>& makeModel, const std::vector<float>& theta,
                  const std::vector<float>& weight, std::vector<double>& sum, int threads)
{
    const std::size_t rows = sum.size(), nodes = theta.size();
    const std::size_t blocks = (nodes + kBlockNodes - 1) / kBlockNodes;
    const std::size_t workers = std::max<std::size_t>(1, std::min<std::size_t>(threads, blocks));

    // Everything a worker needs, made here so that no worker can fail.
    struct Worker {
        std::unique_ptr<ItemModel> model;
        std::vector<double> f;
    };
    std::vector<Worker> pool(workers);
    for (Worker& worker : pool) {
        worker.model = makeModel();
        worker.f.resize(std::min(kBlockNodes, nodes) * rows);
    }

    // Blocks are taken in order, so the lowest one not yet added is always
    // in hand: whoever holds it adds it next, and no one waits for ever.
    std::mutex mutex;
    std::condition_variable turn;
    std::size_t nextToTake = 0, nextToAdd = 0;
    const auto work = [&](Worker& worker) {
        for (;;) {
            std::size_t b;
            {
                const std::lock_guard<std::mutex> lock(mutex);
                b = nextToTake++;
            }
            if (b >= blocks)
                return;
            const std::size_t first = b * kBlockNodes, count = std::min(kBlockNodes, nodes - first);
            worker.model->distributionsAt(theta.data() + first, count, rows, worker.f.data());
            std::unique_lock<std::mutex> lock(mutex);
            turn.wait(lock, [&] { return nextToAdd == b; });
            for (std::size_t k = 0; k < count; ++k)
                AddWeighted(sum.data(), weight[first + k], worker.f.data() + k * rows, rows);
            ++nextToAdd;
            turn.notify_all();
        }
    };

    std::vector<std::thread> started;
    for (std::size_t w = 1; w < workers; ++w) {
        try {
            started.emplace_back(work, std::ref(pool[w]));
        } catch (const std::system_error&) {
            break;  // fewer threads do the same blocks
        }
    }
    work(pool[0]);
    for (std::thread& thread : started)
        thread.join();
}
