#include "stats/RandomStream.h"

#include <cmath>

namespace {

std::uint64_t splitmix(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

RandomStream::RandomStream(std::uint64_t seed, std::uint64_t stream)
{
    // The seed and the stream through splitmix64 one after the other: any
    // two pairs start far apart.
    std::uint64_t x = seed;
    std::uint64_t y = splitmix(x) ^ stream;
    for (std::uint64_t& word : s_)
        word = splitmix(y);
}

bool AliasTable::build(const std::vector<double>& weights)
{
    const std::size_t n = weights.size();
    double total = 0.0;
    for (const double w : weights) {
        if (!(w >= 0.0) || !std::isfinite(w))
            return false;
        total += w;
    }
    if (!(total > 0.0))
        return false;
    keep_.assign(n, 0.0);
    alias_.assign(n, 0);
    std::vector<double> scaled(n);
    std::vector<std::size_t> small, large;
    for (std::size_t k = 0; k < n; ++k) {
        scaled[k] = weights[k] / total * static_cast<double>(n);
        (scaled[k] < 1.0 ? small : large).push_back(k);
    }
    while (!small.empty() && !large.empty()) {
        const std::size_t s = small.back(), l = large.back();
        small.pop_back();
        keep_[s] = scaled[s];
        alias_[s] = l;
        scaled[l] = (scaled[l] + scaled[s]) - 1.0;
        if (scaled[l] < 1.0) {
            large.pop_back();
            small.push_back(l);
        }
    }
    // What is left stands for itself (rounding leaves some near 1).
    for (const std::size_t k : large)
        keep_[k] = 1.0;
    for (const std::size_t k : small)
        keep_[k] = 1.0;
    for (std::size_t k = 0; k < n; ++k)
        if (keep_[k] >= 1.0)
            alias_[k] = k;
    return true;
}
