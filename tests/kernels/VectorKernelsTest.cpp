#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "kernels/Exponential.h"
#include "kernels/ScoreDistribution.h"
#include "kernels/VectorKernels.h"
#include "kernels/VectorPath.h"

// Each path's kernels against plain scalar loops that give every number its
// terms in the same order: equal to the bit. The sizes straddle the vector
// widths and the kernels' unrolling.

namespace {

using Values = std::vector<double>;

Values uniform(std::size_t count, std::mt19937& random, double low = 0.0, double high = 1.0)
{
    std::uniform_real_distribution<double> value(low, high);
    Values values(count);
    for (double& v : values)
        v = value(random);
    return values;
}

void expectSameBits(const Values& got, const Values& want, const std::string& what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t k = 0; k < got.size(); ++k)
        ASSERT_EQ(std::memcmp(&got[k], &want[k], sizeof(double)), 0)
            << what << " at " << k << ": " << got[k] << " against " << want[k];
}

// Lord-Wingersky, item by item; P[i * stride] is item i's.
Values numberCorrect(const double* P, int m, std::size_t stride = 1)
{
    Values f{1.0};
    for (int i = 0; i < m; ++i) {
        const double p = P[i * stride], q = 1.0 - p;
        Values next(f.size() + 1);
        next[0] = f[0] * q;
        for (std::size_t s = 1; s < f.size(); ++s)
            next[s] = f[s] * q + f[s - 1] * p;
        next[f.size()] = f.back() * p;
        f = next;
    }
    return f;
}

// Items of K categories added one by one, each total's terms in increasing
// category from 0.0.
Values totalScore(const double* P, int m, int K)
{
    Values f(P, P + K);
    for (int i = 1; i < m; ++i) {
        Values next(f.size() + K - 1);
        for (std::size_t s = 0; s < next.size(); ++s) {
            double sum = 0.0;
            for (int c = 0; c < K; ++c)
                if (s >= static_cast<std::size_t>(c) && s - c < f.size())
                    sum += f[s - c] * P[i * K + c];
            next[s] = sum;
        }
        f = next;
    }
    return f;
}

// One lane of a kernel on kLanes points side by side.
Values lane(const Values& lanes, std::size_t l)
{
    Values values;
    for (std::size_t k = l; k < lanes.size(); k += kLanes)
        values.push_back(lanes[k]);
    return values;
}

class VectorKernelsTest : public ::testing::TestWithParam<VectorPath> {
protected:
    const VectorKernels& kernels = KernelsOf(GetParam());
    std::mt19937 random{20261207};
};

std::string nameOf(const ::testing::TestParamInfo<VectorPath>& info) { return VectorPathName(info.param); }

}  // namespace

INSTANTIATE_TEST_SUITE_P(EveryPathHere, VectorKernelsTest, ::testing::ValuesIn(AvailableVectorPaths()), nameOf);

TEST_P(VectorKernelsTest, ScoreDistributionsAsTheScalarRecursions)
{
    for (const int m : {1, 2, 3, 4, 7, 8, 9, 16, 17, 33, 100}) {
        Values P = uniform(static_cast<std::size_t>(m), random);
        P[0] = m > 3 ? 1.0 : P[0];  // an item everybody answers
        Values f(static_cast<std::size_t>(m) + 1), work(NumberCorrectWorkSize(m));
        kernels.numberCorrect(P.data(), m, f.data(), work.data());
        expectSameBits(f, numberCorrect(P.data(), m), "number correct, m = " + std::to_string(m));

        const Values lanes = uniform(static_cast<std::size_t>(m) * kLanes, random);
        Values totals(NumberCorrectLanesSize(m));
        kernels.numberCorrectLanes(lanes.data(), m, totals.data());
        totals.resize((static_cast<std::size_t>(m) + 1) * kLanes);
        for (std::size_t l = 0; l < kLanes; ++l)
            expectSameBits(lane(totals, l), numberCorrect(lanes.data() + l, m, kLanes),
                           "lane " + std::to_string(l) + ", m = " + std::to_string(m));

        for (const int K : {1, 2, 3, 5, 7}) {
            Values categories = uniform(static_cast<std::size_t>(m) * K, random);
            const std::size_t R = static_cast<std::size_t>(m) * (K - 1) + 1;
            Values g(R), scratch(TotalScoreWorkSize(m, K));
            kernels.totalScore(categories.data(), m, K, g.data(), scratch.data());
            expectSameBits(g, totalScore(categories.data(), m, K),
                           "total score, m = " + std::to_string(m) + ", K = " + std::to_string(K));
        }
    }
    Values none(1), work(NumberCorrectWorkSize(0));
    kernels.numberCorrect(nullptr, 0, none.data(), work.data());
    EXPECT_EQ(none[0], 1.0);
}

TEST_P(VectorKernelsTest, SumsOfProductsAsTheScalarLoops)
{
    for (const std::size_t count : {1, 5, 8, 13, 64, 101}) {
        Values sum = uniform(count, random), want = sum;
        const Values f = uniform(count, random);
        kernels.addWeighted(sum.data(), 0.37, f.data(), count);
        for (std::size_t s = 0; s < count; ++s)
            want[s] += 0.37 * f[s];
        expectSameBits(sum, want, "weighted sum of " + std::to_string(count));
    }

    for (const std::size_t items : {2, 3, 9}) {
        for (const std::size_t K : {2, 4}) {
            const std::size_t width = items * K;
            const Values P = uniform(width, random);
            // The upper blocks alone, row after row, and one value past them
            // that stays as it was.
            Values sums = uniform(K * K * items * (items - 1) / 2 + 1, random), want = sums;
            kernels.addProducts(P.data(), items, K, items, 0.25, sums.data());
            std::size_t at = 0;
            for (std::size_t a = 0; a < width; ++a)
                for (std::size_t b = (a / K + 1) * K; b < width; ++b)
                    want[at++] += 0.25 * P[a] * P[b];
            expectSameBits(sums, want, "products of " + std::to_string(items) + " items");
        }
    }

    // Convolutions of every length the kernel treats apart, both ways round.
    for (const std::size_t la : {1, 2, 3, 5, 9, 12, 40})
        for (const std::size_t lb : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 31}) {
            const Values a = uniform(la * kLanes, random), b = uniform(lb * kLanes, random);
            Values c((la + lb - 1) * kLanes);
            kernels.convolve(a.data(), la, b.data(), lb, c.data());
            const Values& longer = la >= lb ? a : b;
            const Values& shorter = la >= lb ? b : a;
            const std::size_t ll = std::max(la, lb), ls = std::min(la, lb);
            Values want(c.size());
            for (std::size_t l = 0; l < kLanes; ++l)
                for (std::size_t o = 0; o + 1 < la + lb; ++o) {
                    double sum = 0.0;
                    for (std::size_t j = o + 1 > ll ? o + 1 - ll : 0; j <= std::min(o, ls - 1); ++j)
                        sum += longer[(o - j) * kLanes + l] * shorter[j * kLanes + l];
                    want[o * kLanes + l] = sum;
                }
            expectSameBits(c, want, "convolution " + std::to_string(la) + " by " + std::to_string(lb));
        }
}

TEST_P(VectorKernelsTest, LeavingItemsOutAsTheScalarLoops)
{
    for (const int K : {2, 3, 4, 5, 6}) {
        const std::size_t categories = static_cast<std::size_t>(K), width = 7, R = 3 * (categories - 1) + width;
        const Values out = uniform(width * kLanes, random), Pi = uniform(categories * kLanes, random),
                     Pj = uniform(categories * kLanes, random), shareI = uniform(categories * kLanes, random),
                     shareJ = uniform(categories * kLanes, random);
        Values sumsI = uniform(categories * R * kLanes, random), sumsJ = uniform(categories * R * kLanes, random);
        Values wantI = sumsI, wantJ = sumsJ, one = sumsI, wantOne = sumsI;
        kernels.accumulatePair(out.data(), width, Pi.data(), Pj.data(), shareI.data(), shareJ.data(), K,
                               sumsI.data(), sumsJ.data(), R);
        kernels.accumulate(shareI.data(), K, out.data(), width, one.data(), R);
        for (std::size_t l = 0; l < kLanes; ++l) {
            for (std::size_t r = 0; r + 1 < width + categories; ++r) {
                double withoutI = 0.0, withoutJ = 0.0;
                for (std::size_t c = r + 1 > width ? r + 1 - width : 0; c <= std::min(r, categories - 1); ++c) {
                    withoutI += out[(r - c) * kLanes + l] * Pj[c * kLanes + l];
                    withoutJ += out[(r - c) * kLanes + l] * Pi[c * kLanes + l];
                }
                for (std::size_t k = 0; k < categories; ++k) {
                    wantI[(k * R + k + r) * kLanes + l] += shareI[k * kLanes + l] * withoutI;
                    wantJ[(k * R + k + r) * kLanes + l] += shareJ[k * kLanes + l] * withoutJ;
                }
            }
            for (std::size_t k = 0; k < categories; ++k)
                for (std::size_t r = 0; r < width; ++r)
                    wantOne[(k * R + k + r) * kLanes + l] += shareI[k * kLanes + l] * out[r * kLanes + l];
        }
        expectSameBits(sumsI, wantI, "first of a pair, K = " + std::to_string(K));
        expectSameBits(sumsJ, wantJ, "second of a pair, K = " + std::to_string(K));
        expectSameBits(one, wantOne, "one item, K = " + std::to_string(K));
    }
}

// Dividing items out takes whichever recursion is sound at each total: the
// same bits on every path, and the distribution without the item to a few
// ulps, also where a probability is 0 or 1.
TEST_P(VectorKernelsTest, DividingOutTheSameOnEveryPath)
{
    for (const std::size_t m : {1, 2, 5, 9, 40}) {
        Values P(2 * m * kLanes);
        const Values p = uniform(m * kLanes, random, 0.02, 0.98);
        for (std::size_t k = 0; k < m * kLanes; ++k) {
            const std::size_t i = k / kLanes, l = k % kLanes;
            const double correct = l == 3 && i == 0 ? 1.0 : l == 5 && i == m - 1 ? 0.0 : p[k];
            P[(2 * i) * kLanes + l] = 1.0 - correct;
            P[(2 * i + 1) * kLanes + l] = correct;
        }
        Values f((m + 1) * kLanes);
        for (std::size_t l = 0; l < kLanes; ++l) {
            const Values one = numberCorrect(P.data() + kLanes + l, static_cast<int>(m), 2 * kLanes);
            for (std::size_t s = 0; s <= m; ++s)
                f[s * kLanes + l] = one[s];
        }
        const Values weight = uniform(kLanes, random, 0.5, 1.0);
        Values sums(2 * m * (m + 1) * kLanes), downward(4 * (m + 1) * kLanes), baseline = sums;
        kernels.divideOut(f.data(), m, m, P.data(), weight.data(), sums.data(), downward.data());
        KernelsOf(VectorPath::Baseline).divideOut(f.data(), m, m, P.data(), weight.data(), baseline.data(),
                                                  downward.data());
        expectSameBits(sums, baseline, "items divided out of " + std::to_string(m));
        // Items taken a few at a time, from any item on, get the same bits.
        Values parts(sums.size());
        for (std::size_t first = 0, count = 1; first < m; first += count, count = count % 5 + 1) {
            const std::size_t taken = std::min(count, m - first);
            kernels.divideOut(f.data(), m, taken, P.data() + 2 * first * kLanes, weight.data(),
                              parts.data() + 2 * first * (m + 1) * kLanes, downward.data());
        }
        expectSameBits(parts, sums, "items divided out a few at a time, of " + std::to_string(m));

        for (std::size_t i = 0; i < m; ++i)
            for (std::size_t l = 0; l < kLanes; ++l) {
                Values others;
                for (std::size_t j = 0; j < m; ++j)
                    if (j != i)
                        others.push_back(P[(2 * j + 1) * kLanes + l]);
                const Values g = numberCorrect(others.data(), static_cast<int>(m - 1));
                for (std::size_t s = 0; s <= m; ++s)
                    for (std::size_t k = 0; k < 2; ++k) {
                        const double want = s >= k && s - k < g.size()
                                                ? weight[l] * P[(2 * i + k) * kLanes + l] * g[s - k]
                                                : 0.0;
                        const double got = sums[((2 * i + k) * (m + 1) + s) * kLanes + l];
                        // Where a total's share is 0, what is left of f(s).
                        EXPECT_NEAR(got, want, 1e-13 * want + 1e-15 * weight[l] * f[s * kLanes + l])
                            << "item " << i << ", lane " << l << ", total " << s << ", category " << k;
                    }
            }
    }
}

// The exponential of every path is Exp, lane for lane, whatever stands in
// the other lanes and however many values there are.
TEST_P(VectorKernelsTest, ExponentialsAsExp)
{
    const double inf = std::numeric_limits<double>::infinity();
    Values x = uniform(997, random, -750.0, 712.0);
    const Values near = uniform(500, random, -40.0, 40.0);
    x.insert(x.end(), near.begin(), near.end());
    for (const double special : {0.0, -0.0, inf, -inf, std::nan(""), 709.78, 709.79, -745.13, -746.0, -708.4,
                                 1e-300, -1e-300})
        x.push_back(special);
    for (const std::size_t count : {x.size(), std::size_t{1}, std::size_t{3}, std::size_t{7}}) {
        Values e(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(count)), want(count);
        kernels.exponentials(e.data(), count);
        for (std::size_t k = 0; k < count; ++k)
            want[k] = Exp(x[k]);
        expectSameBits(e, want, "exponentials of " + std::to_string(count));
    }
}

// Exp against the C library's, which is within about half an ulp: within
// one ulp everywhere, exact where the result is, and the ends as C has them
// (SLEEF's overflows a hair below the largest finite result, at 709.7827).
TEST(ExponentialTest, WithinAnUlpAndExactAtTheEnds)
{
    const struct {
        double x, e;
    } exact[] = {
        {0.0, 1.0},
        {-0.0, 1.0},
        {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()},
        {-std::numeric_limits<double>::infinity(), 0.0},
        {709.79, std::numeric_limits<double>::infinity()},
        {-746.0, 0.0},
        {-745.13, std::numeric_limits<double>::denorm_min()},
    };
    for (const auto& c : exact)
        EXPECT_EQ(Exp(c.x), c.e) << c.x;
    EXPECT_TRUE(std::isnan(Exp(std::nan(""))));
    EXPECT_TRUE(std::isfinite(Exp(709.78)));

    std::mt19937 random(7);
    std::uniform_real_distribution<double> wide(-740.0, 709.0), narrow(-20.0, 20.0);
    for (int k = 0; k < 200000; ++k) {
        const double x = k % 2 ? wide(random) : narrow(random), want = std::exp(x), got = Exp(x);
        const double ulp = std::nextafter(want, std::numeric_limits<double>::infinity()) - want;
        ASSERT_LE(std::fabs(got - want), ulp) << x;
    }
}

TEST(VectorPathTest, ChoosesWhatTheProcessorRunsAndRefusesTheRest)
{
    const std::vector<VectorPath> here = AvailableVectorPaths();
    ASSERT_FALSE(here.empty());
    EXPECT_EQ(here.front(), VectorPath::Baseline);

    VectorPath path = VectorPath::Avx512;
    std::string error;
    EXPECT_TRUE(ChooseVectorPath(nullptr, path, error));
    EXPECT_EQ(path, here.back());
    EXPECT_TRUE(ChooseVectorPath("", path, error));
    EXPECT_EQ(path, here.back());
    for (const VectorPath candidate : {VectorPath::Baseline, VectorPath::Avx2, VectorPath::Avx512}) {
        const bool runs = std::find(here.begin(), here.end(), candidate) != here.end();
        error.clear();
        path = here.back() == VectorPath::Baseline ? VectorPath::Avx2 : VectorPath::Baseline;
        EXPECT_EQ(ChooseVectorPath(VectorPathName(candidate), path, error), runs) << VectorPathName(candidate);
        if (runs) {
            EXPECT_EQ(path, candidate);
            EXPECT_TRUE(error.empty());
        } else {
            EXPECT_EQ(error.find('\n'), std::string::npos);
            EXPECT_NE(error.find(std::string("TALVER_VECTORS=") + VectorPathName(candidate)), std::string::npos)
                << error;
        }
    }
    for (const char* wrong : {"AVX2", "sse2", "avx2 ", "generic"}) {
        error.clear();
        EXPECT_FALSE(ChooseVectorPath(wrong, path, error)) << wrong;
        EXPECT_EQ(error, std::string("TALVER_VECTORS=") + wrong + ": not a vector path (baseline, avx2 or avx512)");
    }

    // A path that cannot run is never taken.
    const VectorPath before = ActiveVectorPath();
    for (const VectorPath candidate : {VectorPath::Avx2, VectorPath::Avx512})
        if (std::find(here.begin(), here.end(), candidate) == here.end()) {
            UseVectorPath(candidate);
            EXPECT_EQ(ActiveVectorPath(), before);
            EXPECT_EQ(&KernelsOf(candidate), &KernelsOf(VectorPath::Baseline));
        }
}

// The AVX-512 path keeps AVX2's width where 64 bytes measured slower, and
// its own elsewhere.
TEST(VectorPathTest, TheWidestPathTakesEachKernelAtItsFastestWidth)
{
    const std::vector<VectorPath> here = AvailableVectorPaths();
    if (std::find(here.begin(), here.end(), VectorPath::Avx512) == here.end())
        GTEST_SKIP() << "this processor has no AVX-512";
    const VectorKernels& widest = KernelsOf(VectorPath::Avx512);
    const VectorKernels& avx2 = KernelsOf(VectorPath::Avx2);
    EXPECT_EQ(widest.numberCorrect, avx2.numberCorrect);
    EXPECT_EQ(widest.totalScore, avx2.totalScore);
    EXPECT_EQ(widest.addProducts, avx2.addProducts);
    EXPECT_EQ(widest.exponentials, avx2.exponentials);
    EXPECT_EQ(widest.addWeighted, avx2.addWeighted);
    EXPECT_NE(widest.divideOut, avx2.divideOut);
    EXPECT_NE(widest.convolve, avx2.convolve);
    EXPECT_NE(widest.numberCorrectLanes, avx2.numberCorrectLanes);
}
