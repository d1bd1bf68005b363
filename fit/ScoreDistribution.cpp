#include "fit/ScoreDistribution.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "fit/VectorLanes.h"

// The recursions run element by element across the scores, eight totals
// at a time.

TALVER_VECTOR_CLONES
void NumberCorrectDistribution(const double* P, int m, double* f, double* work)
{
    if (m <= 0) {
        f[0] = 1.0;
        return;
    }
    // Row by row between two buffers, eight totals at a time; the rows have
    // room past their ends for the last eight.
    const std::size_t size = NumberCorrectWorkSize(m) / 2;
    double* current = work;
    double* next = work + size;
    std::fill(work, work + 2 * size, 0.0);
    current[0] = 1.0 - P[0];
    current[1] = P[0];
    for (int i = 1; i < m; ++i) {
        const double p = P[i], q = 1.0 - p;
        next[0] = current[0] * q;
        for (std::size_t s0 = 1; s0 <= static_cast<std::size_t>(i); s0 += kLanes) {
            Lanes stay, rise;
            std::memcpy(&stay, current + s0, sizeof stay);
            std::memcpy(&rise, current + s0 - 1, sizeof rise);
            const Lanes total = stay * q + rise * p;
            std::memcpy(next + s0, &total, sizeof total);
        }
        next[i + 1] = current[i] * p;
        std::swap(current, next);
    }
    std::copy(current, current + m + 1, f);
}

std::size_t NumberCorrectWorkSize(int m)
{
    return 2 * (static_cast<std::size_t>(std::max(m, 0)) + 1 + kLanes);
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
void NumberCorrectLanes(const double* P, int m, double* f)
{
    static_assert(kNumberCorrectLanes == kLanes);
    const std::size_t lanes = sizeof(Lanes);
    Lanes p, q, here, below;
    if (m <= 0) {
        here = Lanes{} + 1.0;
        std::memcpy(f, &here, lanes);
        return;
    }
    std::memcpy(&p, P, lanes);
    here = 1.0 - p;
    std::memcpy(f, &here, lanes);
    std::memcpy(f + kLanes, &p, lanes);
    // In place from the top, as each lane's own recursion: f(s - 1) is
    // still the old value when f(s) is made.
    for (std::size_t i = 1; i < static_cast<std::size_t>(m); ++i) {
        std::memcpy(&p, P + i * kLanes, lanes);
        q = 1.0 - p;
        std::memcpy(&here, f + i * kLanes, lanes);
        below = here * p;
        std::memcpy(f + (i + 1) * kLanes, &below, lanes);
        for (std::size_t s = i; s > 0; --s) {
            std::memcpy(&below, f + (s - 1) * kLanes, lanes);
            here = here * q + below * p;
            std::memcpy(f + s * kLanes, &here, lanes);
            here = below;
        }
        here = here * q;
        std::memcpy(f, &here, lanes);
    }
}

std::size_t NumberCorrectLanesSize(int m)
{
    return (2 * static_cast<std::size_t>(std::max(m, 0)) + 1) * kNumberCorrectLanes;
}

TALVER_VECTOR_CLONES
void AddWeighted(double* sum, double weight, const double* f, std::size_t count)
{
    for (std::size_t s = 0; s < count; ++s)
        sum[s] += weight * f[s];
}
