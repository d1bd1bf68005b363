#include "results/ItemFitJob.h"

#include <new>

#include "fit/ItemExpectation.h"
#include "fit/Workers.h"

ItemFitJob::ItemFitJob(std::shared_ptr<const FitExtras> run, double minExpected) : run_(std::move(run))
{
    thread_ = std::thread([this, minExpected] { this->run(minExpected); });
}

ItemFitJob::~ItemFitJob()
{
    cancel();
    thread_.join();
}

bool ItemFitJob::waitFor(std::chrono::milliseconds timeout) const
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done_ && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done_;
}

void ItemFitJob::run(double minExpected)
{
    try {
        const FitModel& model = run_->model;
        ItemExpectation expectation;
        if (ExpectItemCategories(model, expectation, FitThreadCount(), [this](double share) {
                progress_ = share;
                return !cancelled_;
            }))
            result_ = ComputeItemFit(run_->byItem, expectation, model.parameterCount,
                                     model.items.itemCount * model.lowestCode, minExpected);
    } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
    }
    done_ = true;
}
