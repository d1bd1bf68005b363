#include "results/BackgroundWork.h"

#include <new>

BackgroundWork::BackgroundWork(Work work)
{
    thread_ = std::thread([this, work = std::move(work)] {
        try {
            work([this](double share) {
                progress_ = share;
                return !cancelled_;
            });
        } catch (const std::bad_alloc&) {
            outOfMemory_ = true;
        }
        done_ = true;
    });
}

BackgroundWork::~BackgroundWork()
{
    cancel();
    thread_.join();
}

bool BackgroundWork::waitFor(std::chrono::milliseconds timeout) const
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done_ && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done_;
}
