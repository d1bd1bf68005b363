#include "kernels/Workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

int ThreadCountFromEnvironment()
{
    if (const char* text = std::getenv("TALVER_THREADS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value > 0)
            return static_cast<int>(std::min(value, 256L));
    }
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1U, 256U));
}

ScratchShare ShareScratch(double whole, std::size_t blocks, std::size_t mostParts, int threads, double budget)
{
    // Small tests may spend a little more on threads; large ones never
    // more than this.
    constexpr double kLeast = 16u << 20, kMost = 64u << 20;
    if (budget <= 0)
        budget = std::clamp(whole, kLeast, kMost);
    const std::size_t most = static_cast<std::size_t>(std::max(threads, 1));
    for (std::size_t parts = 1;; parts *= 2) {
        const double each = whole / static_cast<double>(parts);
        const std::size_t workers = std::clamp<std::size_t>(blocks * parts, 1, most);
        if (static_cast<double>(workers) * each <= budget)
            return {parts, workers};
        if (parts * 2 > mostParts)
            return {parts, std::clamp<std::size_t>(static_cast<std::size_t>(budget / each), 1, workers)};
    }
}

void RunWorkers(std::size_t workers, const std::function<void(std::size_t)>& work)
{
    std::mutex mutex;
    std::exception_ptr first;
    const auto guarded = [&](std::size_t w) {
        try {
            work(w);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (!first)
                first = std::current_exception();
        }
    };
    std::vector<std::thread> started;
    try {
        started.reserve(workers > 0 ? workers - 1 : 0);
        for (std::size_t w = 1; w < workers; ++w)
            started.emplace_back(guarded, w);
    } catch (const std::exception&) {
        // No memory or no thread: the ones started, and this one, do it all.
    }
    guarded(0);
    for (std::thread& thread : started)
        thread.join();
    if (first)
        std::rethrow_exception(first);
}

bool RunTasks(std::size_t workers, std::size_t tasks, const std::function<bool(std::size_t, std::size_t)>& task)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stopped{false};
    RunWorkers(std::max<std::size_t>(std::min(workers, tasks), 1), [&](std::size_t w) {
        for (std::size_t t; !stopped && (t = next++) < tasks;)
            if (!task(t, w))
                stopped = true;
    });
    return !stopped;
}

void RunInOrder(std::size_t blocks, std::size_t workers, const std::function<void(std::size_t, std::size_t)>& compute,
                const std::function<bool(std::size_t, std::size_t)>& combine)
{
    // Blocks are taken in order, so the lowest one not yet combined is
    // always in hand: whoever holds it combines it next, and no one waits
    // for ever, nor after a worker failed or the work was stopped.
    std::mutex mutex;
    std::condition_variable turn;
    std::atomic<std::size_t> nextToTake{0};
    std::size_t nextToCombine = 0;
    bool ended = false;
    RunWorkers(std::max<std::size_t>(std::min(workers, blocks), 1), [&](std::size_t w) {
        try {
            for (std::size_t b; (b = nextToTake++) < blocks;) {
                compute(b, w);
                std::unique_lock<std::mutex> lock(mutex);
                turn.wait(lock, [&] { return nextToCombine == b || ended; });
                if (ended)
                    return;
                ended = !combine(b, w);
                ++nextToCombine;
                turn.notify_all();
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            ended = true;
            turn.notify_all();
            throw;
        }
    });
}

TaskThreads ShareThreadsAmongTasks(std::size_t tasks, int threads)
{
    const std::size_t most = static_cast<std::size_t>(std::max(threads, 1));
    return tasks >= most ? TaskThreads{most, 1} : TaskThreads{1, static_cast<int>(most)};
}
