#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <new>
#include <vector>

#include "kernels/Workers.h"
#include "model/NodeSum.h"

namespace {

// A model that runs out of memory at one ability.
class FailingModel : public ItemModel {
public:
    void distributionAt(double theta, double* f) override
    {
        if (theta == 700.0)
            throw std::bad_alloc();
        f[0] = 1.0;
    }
    void categoriesAt(double, double* P) override { P[0] = 1.0; }
};

}  // namespace

// A worker's exception reaches the caller once every worker has ended,
// instead of ending the process.
TEST(WorkersTest, AWorkersExceptionReachesTheCaller)
{
    for (const std::size_t failing : {0u, 1u, 2u}) {
        std::atomic<int> ended{0};
        EXPECT_THROW(RunWorkers(3,
                                [&](std::size_t w) {
                                    ++ended;
                                    if (w == failing)
                                        throw std::bad_alloc();
                                }),
                     std::bad_alloc);
        EXPECT_EQ(ended, 3);
    }
}

// Every task runs once, on a worker within the count; a task that says
// stop keeps the others from being taken, and the caller hears of it.
TEST(WorkersTest, TasksRunOnceEachUntilOneStops)
{
    for (const std::size_t workers : {1u, 2u, 5u}) {
        std::vector<std::atomic<int>> runs(100);
        std::atomic<bool> workerInRange{true};
        EXPECT_TRUE(RunTasks(workers, runs.size(), [&](std::size_t t, std::size_t w) {
            ++runs[t];
            workerInRange = workerInRange && w < workers;
            return true;
        }));
        EXPECT_TRUE(workerInRange) << workers;
        for (std::size_t t = 0; t < runs.size(); ++t)
            EXPECT_EQ(runs[t], 1) << workers << " workers, task " << t;

        // Tasks are taken in order; one worker takes none after the stop.
        std::atomic<int> ran{0};
        EXPECT_FALSE(RunTasks(workers, 100, [&](std::size_t t, std::size_t) {
            ++ran;
            return t != 10;
        }));
        EXPECT_GE(ran, 11) << workers;
        EXPECT_TRUE(workers > 1 || ran == 11) << ran;

        EXPECT_THROW(RunTasks(workers, 100,
                              [](std::size_t t, std::size_t) {
                                  if (t == 50)
                                      throw std::bad_alloc();
                                  return true;
                              }),
                     std::bad_alloc);
    }
}

// Workers waiting for their turn to add are let go when another fails,
// on any number of threads.
TEST(WorkersTest, NodeSumsEndOnAFailureWithoutWaitingForEver)
{
    std::vector<float> theta(5000), weight(5000, 1.0f);
    for (std::size_t q = 0; q < theta.size(); ++q)
        theta[q] = static_cast<float>(q);
    for (int threads = 1; threads <= 4; ++threads) {
        std::vector<double> sum(1, 0.0);
        EXPECT_THROW(SumOverNodes([] { return std::make_unique<FailingModel>(); }, theta, weight, sum, threads),
                     std::bad_alloc)
            << threads << " threads";
    }
}

// Blocks combine in order whatever the threads, and a stop drops the rest.
TEST(WorkersTest, BlocksCombineInOrder)
{
    for (const std::size_t workers : {1u, 2u, 5u}) {
        std::vector<std::size_t> order;
        RunInOrder(
            40, workers, [](std::size_t, std::size_t) {},
            [&](std::size_t b, std::size_t) {
                order.push_back(b);
                return b < 29;
            });
        ASSERT_EQ(order.size(), 30u) << workers;
        for (std::size_t b = 0; b < order.size(); ++b)
            EXPECT_EQ(order[b], b);
    }
}

// The first block fails only once the others are computed and their
// workers wait for its turn: they are let go, their blocks never combined,
// and the failure reaches the caller.
TEST(WorkersTest, AFailureReleasesWorkersAlreadyWaiting)
{
    std::atomic<int> computed{0};
    std::atomic<int> combined{0};
    EXPECT_THROW(RunInOrder(
                     3, 3,
                     [&](std::size_t b, std::size_t) {
                         if (b != 0) {
                             ++computed;
                             return;
                         }
                         while (computed < 2)
                             std::this_thread::yield();
                         // Time to reach the wait for their turn.
                         std::this_thread::sleep_for(std::chrono::milliseconds(50));
                         throw std::bad_alloc();
                     },
                     [&](std::size_t, std::size_t) {
                         ++combined;
                         return true;
                     }),
                 std::bad_alloc);
    EXPECT_EQ(computed, 2);
    EXPECT_EQ(combined, 0);
}
