#include "fit/FitModel.h"

#include "fit/ItemResponse.h"

std::unique_ptr<ItemModel> FitModel::makeModel() const
{
    switch (kind) {
    case Kind::Graded:
        return std::make_unique<PolytomousItems>(items, GradedCategoryProbabilities);
    case Kind::PartialCredit:
        return std::make_unique<PolytomousItems>(items, PartialCreditProbabilities);
    default:
        return std::make_unique<BinaryItems>(items, D);
    }
}
