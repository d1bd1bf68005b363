#pragma once

#include <cstddef>
#include <vector>

// Item parameters of one run, as read, in single precision.
struct ItemParameters {
    ItemParameters(int itemCount, int categoryCount);
    // The parameters of the items given (from 0), in that order.
    ItemParameters subset(const std::vector<int>& items) const;

    int itemCount;
    int categoryCount;     // 2 for binary items
    // The largest first: storage that cannot be had fails before the rest
    // is allocated and zeroed.
    std::vector<float> b;  // (K - 1) x m: boundary by boundary, item by item within
    std::vector<float> a;  // discrimination, per item
    std::vector<float> c;  // lower asymptote, per item (binary items only)
};

// What a model contributes to a fit run: the distribution of the total
// score at one ability, into f (m(K - 1) + 1 values). The score runs from
// the lowest possible total upwards.
class ItemModel {
public:
    virtual ~ItemModel() = default;
    virtual void distributionAt(double theta, double* f) = 0;
    // Each item's category probabilities at one ability, item by item into
    // P (m x K), as the distribution takes them; for binary items the
    // probability of 0, then of 1.
    virtual void categoriesAt(double theta, double* P) = 0;
    // The distributions at count abilities, one after another in f (rows
    // values each), with the bits distributionAt gives.
    virtual void distributionsAt(const float* theta, std::size_t count, std::size_t rows, double* f);
};

// The logistic three-parameter form with scaling constant D.
class BinaryItems : public ItemModel {
public:
    BinaryItems(const ItemParameters& items, double D);
    void distributionAt(double theta, double* f) override;
    void categoriesAt(double theta, double* P) override;
    // Eight abilities side by side in the vector lanes.
    void distributionsAt(const float* theta, std::size_t count, std::size_t rows, double* f) override;

private:
    const ItemParameters& items_;
    double D_;
    std::vector<double> P_;
    std::vector<double> work_;
    std::vector<double> lanes_;  // (m + 1) x 8 totals, then m x 8 probabilities
};

// Graded response (thresholds) or partial credit (step parameters) items.
class PolytomousItems : public ItemModel {
public:
    enum class Kind { Graded, PartialCredit };
    PolytomousItems(const ItemParameters& items, Kind kind);
    void distributionAt(double theta, double* f) override;
    void categoriesAt(double theta, double* P) override;

private:
    const ItemParameters& items_;
    Kind kind_;
    std::vector<float> byItem_;  // item i's K - 1 parameters side by side
    std::vector<double> P_;      // m x K category probabilities
    std::vector<double> work_;   // the total score's rows, or the probabilities' scratch
};
