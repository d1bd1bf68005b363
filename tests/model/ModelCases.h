#pragma once

#include <vector>

#include "model/FitModel.h"

// Small tests of every model, with abilities near and far, for checking
// what is worked out from a model against every response pattern.

struct ModelCase {
    const char* what;
    FitModel::Kind kind;
    int K;
    std::vector<float> a, b, c;  // b boundary by boundary, item by item within
    std::vector<float> theta, weight;
};

inline FitModel MakeModel(const ModelCase& c)
{
    FitModel model;
    model.kind = c.kind;
    const int m = static_cast<int>(c.a.size());
    model.items = ItemParameters(m, c.K);
    model.items.a = c.a;
    model.items.b = c.b;
    if (!c.c.empty())
        model.items.c = c.c;
    model.theta = c.theta;
    model.weight = c.weight;
    return model;
}

// Calls use(x, probability) for every response pattern x of m items with
// K categories, P the items' category probabilities at one point.
template <typename Use>
void ForEachPattern(int m, int K, const std::vector<double>& P, Use use)
{
    std::vector<int> x(m, 0);
    for (;;) {
        double p = 1.0;
        for (int i = 0; i < m; ++i)
            p *= P[i * K + x[i]];
        use(x, p);
        int i = 0;
        while (i < m && ++x[i] == K)
            x[i++] = 0;
        if (i == m)
            return;
    }
}

inline const std::vector<float> kNodes = {-2.5f, -1, 0, 0.7f, 2};
inline const std::vector<float> kWeights = {0.1f, 0.2f, 0.4f, 0.2f, 0.1f};

// Abilities far out put probabilities within 1e-12 of 0 and 1, where
// dividing an item out of the distribution would lose every digit.
inline const ModelCase kModelCases[] = {
    {"3PL, eight items", FitModel::Kind::Binary, 2, {1, 1.5f, 0.6f, 2, 1, 0.8f, 1.2f, 2.5f},
     {-1.5f, -0.5f, 0, 0.3f, 1, 1.8f, -2, 0.5f}, {0.2f, 0, 0.25f, 0.1f, 0, 0.15f, 0, 0.3f}, kNodes, kWeights},
    {"2PL, far abilities", FitModel::Kind::Binary, 2, {1, 1.5f, 0.6f, 2, 1, 0.8f}, {-1.5f, -0.5f, 0, 0.3f, 1, 1.8f},
     {}, {-18, -9, 0, 9, 18}, {0.2f, 0.2f, 0.2f, 0.2f, 0.2f}},
    {"graded, K = 3, six items", FitModel::Kind::Graded, 3, {1, 1.5f, 0.6f, 2, 1, 0.8f},
     {-1.5f, -0.5f, -1, 0.3f, -1, 0, 0.5f, 0.5f, 0, 1.3f, 0.2f, 1.8f}, {}, kNodes, kWeights},
    {"partial credit, K = 4, five items", FitModel::Kind::PartialCredit, 4, {1, 1, 1, 1, 1},
     {-1, 0, -2, 0.5f, 1, 0.2f, 0, -0.5f, 1.5f, 0.4f, 1, 2, 0.5f, -1, 0}, {}, kNodes, kWeights},
    {"graded, far abilities", FitModel::Kind::Graded, 3, {2, 1.5f, 1, 2.5f}, {-1, 0, -0.5f, 0.2f, 1, 0.5f, 0.8f, 1.5f},
     {}, {-25, -12, 0, 12, 25}, {0.1f, 0.2f, 0.4f, 0.2f, 0.1f}},
    {"3PL, probabilities of exactly c and 1", FitModel::Kind::Binary, 2, {1, 1.5f, 0.6f, 2},
     {-1.5f, 0, 0.3f, 1}, {0.2f, 0, 0.25f, 0}, {-800, -30, 0, 30, 800}, {0.1f, 0.2f, 0.4f, 0.2f, 0.1f}},
    {"one item", FitModel::Kind::Binary, 2, {1}, {0}, {}, kNodes, kWeights},
};
