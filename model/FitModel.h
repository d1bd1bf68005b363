#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/ItemModels.h"

// The model and latent distribution of a run as it read them: what the
// statistics beyond the reports need to work out its probabilities again,
// whatever has become of the input files since.
struct FitModel {
    enum class Kind { Binary, Graded, PartialCredit };

    Kind kind = Kind::Binary;
    ItemParameters items{0, 2};
    double D = 1.702;        // binary items
    int parameterCount = 0;  // per item: 1, 2 or 3; K graded; K − 1 partial credit
    int lowestCode = 0;      // the code of category 0
    // The points of the latent distribution and their weights, as the run
    // summed them.
    std::vector<float> theta, weight;

    // A model over items; it refers to them, so this must outlive it.
    std::unique_ptr<ItemModel> makeModel() const;
    // The same model over other items (a form's), which must outlive it.
    std::unique_ptr<ItemModel> makeModel(const ItemParameters& other) const;
    // The latent distribution in increasing ability, equal abilities as one
    // point with their weights summed, points of no weight left out: the
    // estimates of many subjects coincide.
    void mergedLatent(std::vector<double>& theta, std::vector<double>& weight) const;
};
