#pragma once

#include <cstddef>
#include <functional>

// How many threads a run may use: TALVER_THREADS when it holds a positive
// number (at most 256), otherwise as many as the machine has processors.
int FitThreadCount();

// Runs work(w) for w = 0 … workers − 1, each on a thread of its own, w = 0
// on the caller's. A thread that cannot be started is not run, so the
// workers must take their tasks from a common queue. Once all have ended,
// the first exception any of them threw is thrown here.
void RunWorkers(std::size_t workers, const std::function<void(std::size_t)>& work);
