#include "model/ModelRules.h"

int CategoriesOf(FitModel::Kind kind, int categoryCount)
{
    return kind == FitModel::Kind::Binary ? 2 : categoryCount;
}

ModelCodes CodesOf(FitModel::Kind kind, int categoryCount)
{
    const std::int32_t lowest = kind == FitModel::Kind::Binary ? 0 : 1;
    return {lowest, lowest + CategoriesOf(kind, categoryCount) - 1};
}

int ParameterCountOf(FitModel::Kind kind, int categoryCount, int binaryParameters)
{
    switch (kind) {
    case FitModel::Kind::Graded:
        return categoryCount;
    case FitModel::Kind::PartialCredit:
        return categoryCount - 1;
    default:
        return binaryParameters;
    }
}
