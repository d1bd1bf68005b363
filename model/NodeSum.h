#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "model/ItemModels.h"

// Adds weight[q] times the model's score distribution at theta[q] into sum,
// node by node in order. Up to threads threads compute the distributions,
// block by block, each with a model of its own from makeModel; the sums are
// taken in node order, so the result has the same bits on any number of
// threads. Storage that cannot be had, in a worker too, throws here.
void SumOverNodes(const std::function<std::unique_ptr<ItemModel>()>& makeModel, const std::vector<float>& theta,
                  const std::vector<float>& weight, std::vector<double>& sum, int threads);
