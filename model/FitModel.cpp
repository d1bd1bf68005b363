#include "model/FitModel.h"

#include <algorithm>

std::unique_ptr<ItemModel> FitModel::makeModel() const { return makeModel(items); }

std::unique_ptr<ItemModel> FitModel::makeModel(const ItemParameters& other) const
{
    switch (kind) {
    case Kind::Graded:
        return std::make_unique<PolytomousItems>(other, PolytomousItems::Kind::Graded);
    case Kind::PartialCredit:
        return std::make_unique<PolytomousItems>(other, PolytomousItems::Kind::PartialCredit);
    default:
        return std::make_unique<BinaryItems>(other, D);
    }
}

void FitModel::mergedLatent(std::vector<double>& points, std::vector<double>& weights) const
{
    std::vector<std::size_t> order(theta.size());
    for (std::size_t q = 0; q < order.size(); ++q)
        order[q] = q;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return theta[a] < theta[b]; });
    for (std::size_t k = 0; k < order.size();) {
        const float at = theta[order[k]];
        double sum = 0.0;
        for (; k < order.size() && theta[order[k]] == at; ++k)
            sum += weight[order[k]];
        if (sum != 0.0) {
            points.push_back(at);
            weights.push_back(sum);
        }
    }
}
