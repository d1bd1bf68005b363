// Writes the Gauss-Hermite quadrature of the standard normal distribution
// (probabilists' form) as a nodes file: one point and its weight per line.
//
//   make_nodes COUNT > nodesCOUNT.dat

#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Roots and weights for the weight function e^(-x^2) by Newton's method on
// the orthonormal Hermite recurrence, in long double.
void physicistsRule(int n, std::vector<long double>& x, std::vector<long double>& w)
{
    const long double pi4 = std::pow(std::acos(-1.0L), -0.25L);
    x.assign(n, 0.0L);
    w.assign(n, 0.0L);
    long double z = 0.0L;
    for (int i = 0; i < (n + 1) / 2; ++i) {
        // Starting guesses for the largest roots first.
        if (i == 0)
            z = std::sqrt(2.0L * n + 1.0L) - 1.85575L * std::pow(2.0L * n + 1.0L, -1.0L / 6.0L);
        else if (i == 1)
            z -= 1.14L * std::pow(static_cast<long double>(n), 0.426L) / z;
        else if (i == 2)
            z = 1.86L * z - 0.86L * x[0];
        else if (i == 3)
            z = 1.91L * z - 0.91L * x[1];
        else
            z = 2.0L * z - x[i - 2];
        long double pp = 0.0L;
        for (int iteration = 0; iteration < 100; ++iteration) {
            long double p1 = pi4, p2 = 0.0L;
            for (int j = 1; j <= n; ++j) {
                const long double p3 = p2;
                p2 = p1;
                p1 = z * std::sqrt(2.0L / j) * p2 - std::sqrt((j - 1.0L) / j) * p3;
            }
            pp = std::sqrt(2.0L * n) * p2;
            const long double step = p1 / pp;
            z -= step;
            if (std::fabs(step) < 1e-17L)
                break;
        }
        x[i] = z;
        x[n - 1 - i] = -z;
        w[i] = w[n - 1 - i] = 2.0L / (pp * pp);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    int n = 0;
    const char* text = argc == 2 ? argv[1] : "";
    const auto [end, error] = std::from_chars(text, text + std::strlen(text), n);
    if (error != std::errc() || *end != '\0' || n < 1 || n > 200) {
        std::fprintf(stderr, "usage: make_nodes COUNT (1 to 200)\n");
        return 64;
    }
    std::vector<long double> x, w;
    physicistsRule(n, x, w);
    const long double rootPi = std::sqrt(std::acos(-1.0L)), root2 = std::sqrt(2.0L);
    for (int i = n - 1; i >= 0; --i)  // increasing points
        std::printf("%17.10Le %17.10Le\n", root2 * x[i], w[i] / rootPi);
    return 0;
}
