#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <sstream>

#include "fit/FitEngine.h"
#include "model/ItemExpectation.h"
#include "model/PairExpectation.h"
#include "stats/ItemFit.h"
#include "stats/LocalDependence.h"
#include "tests/TempDirectory.h"

// Simulated binary tests run through the engine, as a user would: the
// items' parameters in files, the scores drawn from them (or, for one item,
// from other parameters, or copied from another item), the latent
// distribution on a fine grid.
class SimulatedTest : public InTempDirectory {
protected:
    static constexpr int kItems = 15, kSubjects = 3000;

    void SetUp() override
    {
        InTempDirectory::SetUp();
        for (int i = 0; i < kItems; ++i) {
            a.push_back(0.7 + 0.08 * i);
            b.push_back(-1.8 + 0.25 * i);
            c.push_back(i % 3 == 0 ? 0.15 : 0.0);
        }
        std::ostringstream nodes;
        for (int q = 0; q <= 60; ++q) {
            const double theta = -5.0 + q / 6.0;
            nodes << theta << ' ' << std::exp(-0.5 * theta * theta) / 2.5066282746310002 / 6.0 << '\n';
        }
        write("nodes.dat", nodes.str());
        write("a.dat", join(a));
        write("b.dat", join(b));
        write("c.dat", join(c));
    }

    static std::string join(const std::vector<double>& values)
    {
        std::ostringstream text;
        text.precision(9);
        for (double v : values)
            text << v << ' ';
        return text.str();
    }

    // Scores from the file's parameters; item misfit's b shifted by shift;
    // item copy.second answers as copy.first did, half the time; subject j
    // leaves item i out (code 9) where left(j, i).
    void simulate(std::uint64_t seed, int misfit = -1, double shift = 0.0, std::pair<int, int> copy = {-1, -1},
                  const std::function<bool(int, int)>& left = {})
    {
        std::mt19937_64 random(seed);
        const auto uniform = [&] { return (static_cast<double>(random() >> 11) + 0.5) * 0x1p-53; };
        std::string scores;
        std::vector<int> answers(kItems);
        for (int j = 0; j < kSubjects; ++j) {
            const double theta = std::sqrt(-2.0 * std::log(uniform())) * std::cos(6.283185307179586 * uniform());
            for (int i = 0; i < kItems; ++i) {
                const double bi = b[i] + (i == misfit ? shift : 0.0);
                const double p = c[i] + (1 - c[i]) / (1 + std::exp(-1.702 * a[i] * (theta - bi)));
                answers[i] = uniform() < p;
                if (i == copy.second && uniform() < 0.5)
                    answers[i] = answers[copy.first];
                scores += left && left(j, i) ? "9 " : answers[i] ? "1 " : "0 ";
            }
            scores += '\n';
        }
        write("scores.dat", scores);
    }

    // The run, counting items and pairs.
    RunOutcome run()
    {
        RunRequest asked;
        asked.fit = request();
        asked.countItems = asked.countPairs = true;
        RunOutcome outcome;
        EXPECT_EQ(FitBinaryModel(asked, outcome), kFitSuccess);
        return outcome;
    }

    static FitRequest request()
    {
        FitRequest r;
        r.subjectCount = kSubjects;
        r.itemCount = kItems;
        r.discriminationFile = "a.dat";
        r.difficultyFile = "b.dat";
        r.cFile = "c.dat";
        r.scoreFile = "scores.dat";
        r.latentFile = "nodes.dat";
        r.nodeCount = 61;
        r.parameterCount = 3;
        return r;
    }

    ItemFit itemFit()
    {
        const RunOutcome extras = run();
        ItemExpectation expectation;
        EXPECT_TRUE(ExpectItemCategories(extras.model, expectation, 2));
        return ComputeItemFit(extras.byItem, expectation, extras.model.parameterCount, 0);
    }

    LocalDependence pairs()
    {
        const RunOutcome extras = run();
        PairExpectation expectation;
        EXPECT_TRUE(ExpectPairCategories(extras.model, expectation, 2));
        return ComputeLocalDependence(extras.pairs, expectation);
    }

    std::vector<double> a, b, c;
};
