#pragma once

#include <algorithm>
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

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }
    // In [0, 1), from the top 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1p-53; }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t s_[4];
};

// Draws from a discrete distribution in constant time (Walker's alias
// method, built as Vose describes); weights need not sum to 1.
class AliasTable {
public:
    // False when a weight is negative or not finite, or none is positive.
    bool build(const std::vector<double>& weights);
    // Inline, and without a branch on the draw: the simulation's inner loop.
    std::size_t draw(RandomStream& random) const
    {
        const double u = random.uniform() * static_cast<double>(keep_.size());
        const std::size_t k = std::min(static_cast<std::size_t>(u), keep_.size() - 1);
        const std::size_t alias = alias_[k];
        return u - static_cast<double>(k) < keep_[k] ? k : alias;
    }

private:
    std::vector<double> keep_;
    std::vector<std::size_t> alias_;
};
