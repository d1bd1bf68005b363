#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

// Work on a thread of its own, so that the windows go on answering: the
// share done, and a cancel that the work heeds when it next reports.
class BackgroundWork {
public:
    // work gets a function to report the share done with; when that
    // returns false the work should stop.
    using Work = std::function<void(const std::function<bool(double)>& report)>;
    explicit BackgroundWork(Work work);
    ~BackgroundWork();  // cancels, and waits for the thread
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    bool done() const { return done_; }
    // Waits up to timeout; whether the work is done.
    bool waitFor(std::chrono::milliseconds timeout) const;
    double progress() const { return progress_; }
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }
    // Once done: why the work failed, for the user ("not enough memory",
    // or what the exception said); empty when it did not.
    const std::string& failure() const { return failure_; }

private:
    std::atomic<bool> done_{false}, cancelled_{false};
    std::atomic<double> progress_{0.0};
    std::string failure_;
    std::thread thread_;
};
