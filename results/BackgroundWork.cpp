#include "results/BackgroundWork.h"

#include <exception>
#include <new>
#include <stdexcept>

BackgroundWork::BackgroundWork(Work work)
{
    thread_ = std::thread([this, work = std::move(work)] {
        try {
            work([this](double share) {
                progress_ = share;
                return !cancelled_;
            });
        } catch (const std::bad_alloc&) {
            failure_ = "not enough memory";
        } catch (const std::length_error&) {
            failure_ = "not enough memory";
        } catch (const std::exception& error) {
            failure_ = error.what();
        } catch (...) {
            // Nothing may leave the thread: that would end the program.
            failure_ = "an unexpected error";
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
