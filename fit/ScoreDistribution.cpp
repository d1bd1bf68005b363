#include "fit/ScoreDistribution.h"

#include <utility>

// The recursions run element by element across the scores, each element
// with the same arithmetic whatever the vector width, so every clone gives
// the same bits; the build keeps multiply and add apart (no contraction).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TALVER_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define TALVER_VECTOR_CLONES
#endif

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
    double* current = (m % 2 == 1) ? f : work;
    double* next = (m % 2 == 1) ? work : f;
    for (int c = 0; c < K; ++c)
        current[c] = P[c];

    for (int i = 1; i < m; ++i) {
        const double* p = P + static_cast<std::size_t>(i) * K;
        const int width = i * (K - 1) + 1;  // length of the current row
        // Category by category, so each total gathers its terms in
        // increasing c, and the inner loop runs straight through memory.
        for (int s = 0; s < width + K - 1; ++s)
            next[s] = 0.0;
        for (int c = 0; c < K; ++c) {
            const double pc = p[c];
            double* out = next + c;
            for (int s = 0; s < width; ++s)
                out[s] += pc * current[s];
        }
        std::swap(current, next);
    }
}

TALVER_VECTOR_CLONES
void AddWeighted(double* sum, double weight, const double* f, std::size_t count)
{
    for (std::size_t s = 0; s < count; ++s)
        sum[s] += weight * f[s];
}
