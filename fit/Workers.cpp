#include "fit/Workers.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

int FitThreadCount()
{
    if (const char* text = std::getenv("TALVER_THREADS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value > 0)
            return static_cast<int>(std::min(value, 256L));
    }
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1U, 256U));
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
