#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "fit/FitExtras.h"
#include "stats/ItemFit.h"

// The item fit of a run, worked out on a thread of its own so that the
// windows go on answering: the share done, and a cancel that the work
// heeds within a block of nodes.
class ItemFitJob {
public:
    ItemFitJob(std::shared_ptr<const FitExtras> run, double minExpected);
    ~ItemFitJob();  // cancels, and waits for the thread
    ItemFitJob(const ItemFitJob&) = delete;
    ItemFitJob& operator=(const ItemFitJob&) = delete;

    bool done() const { return done_; }
    // Waits up to timeout; whether the work is done.
    bool waitFor(std::chrono::milliseconds timeout) const;
    double progress() const { return progress_; }
    void cancel() { cancelled_ = true; }

    // Once done: the item fit, or nothing when cancelled or when memory
    // ran out (outOfMemory).
    const std::optional<ItemFit>& result() const { return result_; }
    bool outOfMemory() const { return outOfMemory_; }

private:
    void run(double minExpected);

    std::shared_ptr<const FitExtras> run_;
    std::atomic<bool> done_{false}, cancelled_{false};
    std::atomic<double> progress_{0.0};
    std::optional<ItemFit> result_;
    bool outOfMemory_ = false;
    std::thread thread_;
};
