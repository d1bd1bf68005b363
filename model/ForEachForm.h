#pragma once

#include <cstddef>
#include <vector>

#include "counts/AnswerForms.h"
#include "kernels/Workers.h"
#include "model/ItemModels.h"

// Works through the forms of a run with answers missing, each as a test
// of its own items: compute(f, parameters, threads, scratch) on up to
// threads workers, with the parameters of form f's items (of items, in the
// form's order) and the threads the form may use itself; then
// combine(f, scratch) one form at a time, in form order, returning false
// to stop. Few forms take every thread one after another, many a thread
// each (ShareThreadsAmongTasks). Each worker keeps its Scratch from form
// to form. Returns false when stopped; an exception of a worker is thrown
// here.
template <typename Scratch, typename Compute, typename Combine>
bool ForEachForm(const ItemParameters& items, const AnswerForms& forms, int threads, const Compute& compute,
                 const Combine& combine)
{
    const std::vector<AnswerForm>& list = forms.forms();
    const TaskThreads share = ShareThreadsAmongTasks(list.size(), threads);
    struct Worker {
        ItemParameters parameters{0, 2};
        Scratch scratch;
    };
    std::vector<Worker> pool(share.workers);
    bool stopped = false;
    RunInOrder(
        list.size(), share.workers,
        [&](std::size_t f, std::size_t w) {
            Worker& worker = pool[w];
            worker.parameters = items.subset(list[f].items);
            compute(f, worker.parameters, share.each, worker.scratch);
        },
        [&](std::size_t f, std::size_t w) {
            stopped = !combine(f, pool[w].scratch);
            return !stopped;
        });
    return !stopped;
}
