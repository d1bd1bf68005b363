#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// xoshiro256** 1.0 (Blackman and Vigna), its state filled by splitmix64:
// the same numbers on every machine and with every compiler. A stream is
// named by a seed and a number, so that replicates can be drawn on any
// thread in any order.
class RandomStream {
public:
    RandomStream(std::uint64_t seed, std::uint64_t stream);

    std::uint64_t next();
    // In [0, 1), from the top 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1p-53; }

private:
    std::uint64_t s_[4];
};

// Draws from a discrete distribution in constant time (Walker's alias
// method, built as Vose describes); weights need not sum to 1.
class AliasTable {
public:
    // False when a weight is negative or not finite, or none is positive.
    bool build(const std::vector<double>& weights);
    std::size_t draw(RandomStream& random) const;

private:
    std::vector<double> keep_;
    std::vector<std::size_t> alias_;
};
