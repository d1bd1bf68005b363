#include "results/PersonRecords.h"

PersonRecords::PersonRecords(const FitModel& model, const PersonRequest& request)
    : request_(request), fit_(model, request.estimator), items_(static_cast<std::size_t>(model.items.itemCount))
{
}

void PersonRecords::take(const PersonFigures& figures, const unsigned char* categories)
{
    figures_.push_back(figures);
    categories_.insert(categories_.end(), categories, categories + items_);
}
