#include "fit/ScoreDistribution.h"

#include <algorithm>
#include <cstring>
#include <utility>

// The recursions run element by element across the scores, each element
// with the same arithmetic whatever the vector width, so every clone gives
// the same bits; the build keeps multiply and add apart (no contraction).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TALVER_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define TALVER_VECTOR_CLONES
#endif

namespace {

// Eight totals side by side, in whatever registers the clone has.
constexpr std::size_t kLanes = 8;
typedef double Lanes __attribute__((vector_size(kLanes * sizeof(double))));

}  // namespace

TALVER_VECTOR_CLONES
void NumberCorrectDistribution(const double* P, int m, double* f, double* work)
{
    if (m <= 0) {
        f[0] = 1.0;
        return;
    }
    // Row by row into the other buffer, starting where the last row lands in f.
    double* current = (m % 2 == 1) ? f : work;
    double* next = (m % 2 == 1) ? work : f;
    current[0] = 1.0 - P[0];
    current[1] = P[0];
    for (int i = 1; i < m; ++i) {
        const double p = P[i], q = 1.0 - p;
        next[0] = current[0] * q;
        for (int s = 1; s <= i; ++s)
            next[s] = current[s] * q + current[s - 1] * p;
        next[i + 1] = current[i] * p;
        std::swap(current, next);
    }
}

TALVER_VECTOR_CLONES
void TotalScoreDistribution(const double* P, int m, int K, double* f, double* work)
{
    if (m <= 0) {
        f[0] = 1.0;
        return;
    }
    const std::size_t R = static_cast<std::size_t>(m) * (K - 1) + 1;
    if (m == 1) {
        std::copy(P, P + K, f);
        return;
    }
    // Each row sits between K - 1 zeros on the left and zeros on the right,
    // so that every total takes its K terms the same way, eight totals at
    // a time. A total gathers its terms in increasing c from 0.0, as when
    // the items were added category by category: the terms from the zeros
    // are ±0, which leave a sum that starts at +0 as it was.
    const std::size_t pad = static_cast<std::size_t>(K) - 1, size = TotalScoreWorkSize(m, K) / 2;
    double* current = work;
    double* next = work + size;
    std::fill(work, work + 2 * size, 0.0);
    std::copy(P, P + K, current + pad);
    for (int i = 1; i < m; ++i) {
        const double* p = P + static_cast<std::size_t>(i) * K;
        const std::size_t width = static_cast<std::size_t>(i + 1) * (K - 1) + 1;  // of the new row
        for (std::size_t s0 = 0; s0 < width; s0 += kLanes) {
            Lanes sum = {};
            for (int c = 0; c < K; ++c) {
                Lanes from;
                std::memcpy(&from, current + pad + s0 - c, sizeof from);
                sum += from * p[c];
            }
            std::memcpy(next + pad + s0, &sum, sizeof sum);
        }
        std::swap(current, next);
    }
    std::copy(current + pad, current + pad + R, f);
}

std::size_t TotalScoreWorkSize(int m, int K)
{
    const std::size_t R = static_cast<std::size_t>(std::max(m, 1)) * (std::max(K, 1) - 1) + 1;
    // Two rows, each with K - 1 zeros before it and room for eight totals
    // past its end.
    return 2 * (R + static_cast<std::size_t>(std::max(K, 1)) + 8);
}

TALVER_VECTOR_CLONES
void AddWeighted(double* sum, double weight, const double* f, std::size_t count)
{
    for (std::size_t s = 0; s < count; ++s)
        sum[s] += weight * f[s];
}
