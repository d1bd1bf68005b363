#include "fit/ScoreDistribution.h"

#include <utility>

void NumberCorrectDistribution(const double* P, int m, double* f)
{
    if (m <= 0) {
        f[0] = 1.0;
        return;
    }
    f[0] = 1.0 - P[0];
    f[1] = P[0];
    // In place from the top, so that f(s - 1) is still the old value.
    for (int i = 1; i < m; ++i) {
        const double p = P[i], q = 1.0 - p;
        f[i + 1] = f[i] * p;
        for (int s = i; s > 0; --s)
            f[s] = f[s] * q + f[s - 1] * p;
        f[0] = f[0] * q;
    }
}

void TotalScoreDistribution(const double* P, int m, int K, double* f, double* work)
{
    if (m <= 0) {
        f[0] = 1.0;
        return;
    }
    // The row of the last item must land in f: start in whichever buffer
    // makes the alternation end there.
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
