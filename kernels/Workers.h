#pragma once

#include <cstddef>
#include <functional>

// How many threads a run may use, as each front end reads it once:
// TALVER_THREADS when it holds a positive number (at most 256), otherwise
// as many as the machine has processors.
int ThreadCountFromEnvironment();

// Runs work(w) for w = 0 … workers − 1, each on a thread of its own, w = 0
// on the caller's. A thread that cannot be started is not run, so the
// workers must take their tasks from a common queue. Once all have ended,
// the first exception any of them threw is thrown here.
void RunWorkers(std::size_t workers, const std::function<void(std::size_t)>& work);

// Runs task(t, w) for the tasks t = 0 … tasks − 1 on up to workers
// workers (w the worker), each worker taking the next task not yet taken,
// so in no set order. Once a task has returned false no other is taken,
// and RunTasks returns false when the ones under way have ended. An
// exception of a worker is thrown here, as by RunWorkers.
bool RunTasks(std::size_t workers, std::size_t tasks, const std::function<bool(std::size_t, std::size_t)>& task);

// Runs compute(b, w) for the blocks b = 0 … blocks − 1 on up to workers
// workers (w the worker), and combine(b, w) after each, one at a time and
// in block order: sums taken so have the same bits on any number of
// threads. combine returns false to stop, and the blocks not yet combined
// are then dropped. An exception of a worker is thrown here, with no
// worker left waiting.
void RunInOrder(std::size_t blocks, std::size_t workers, const std::function<void(std::size_t, std::size_t)>& compute,
                const std::function<bool(std::size_t, std::size_t)>& combine);

// How work over the items of a test is cut into parts, and how many
// workers take them, so that the scratch the workers hold together does
// not depend on the thread count: a run that fits on one thread fits on
// any. whole is the scratch, in bytes, of one worker taking every item at
// once; each part goes through the blocks of points; parts are powers of
// two up to mostParts. The budget is whole itself, within bounds, unless
// one is given.
struct ScratchShare {
    std::size_t parts, workers;
};
ScratchShare ShareScratch(double whole, std::size_t blocks, std::size_t mostParts, int threads, double budget = 0);

// How tasks that can each use several threads share them: few tasks (fewer
// than the threads) go one at a time on every thread, many go a thread
// each. Work whose bits do not depend on its threads gives the same bits
// either way.
struct TaskThreads {
    std::size_t workers;  // tasks under way at once
    int each;             // threads of each
};
TaskThreads ShareThreadsAmongTasks(std::size_t tasks, int threads);
