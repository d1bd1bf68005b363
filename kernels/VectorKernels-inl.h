// The hot loops, written once and compiled once per vector path: the file
// that includes this one names the path's function (TALVER_KERNELS), its
// register width in bytes (TALVER_VECTOR_BYTES) and, beyond the baseline,
// the instructions it may use (TALVER_VECTOR_TARGET).
//
// Each loop works on vectors of the path's own width, so that values stay
// in registers: a vector wider than the machine's would be taken apart
// through memory. Every number gets the same operations in the same order
// on every path, and the build keeps multiply and add apart: the same bits.
//
// The library's headers come before the target region, so that no inline
// function outside this file is compiled for wider instructions than the
// processor may have.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "kernels/ScoreDistribution.h"
#include "kernels/VectorKernels.h"

#include <sleef.h>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "kernels/VectorTargetBegin.h"

// SLEEF's header declares its wider builds only where the compiler's own
// flags allow them.
extern "C" {
#if TALVER_VECTOR_BYTES == 64
__m512d Sleef_cinz_expd8_u10avx512fnofma(__m512d);
#elif TALVER_VECTOR_BYTES == 32
__m256d Sleef_cinz_expd4_u10avx(__m256d);
#endif
}

namespace {

typedef double Vec __attribute__((vector_size(TALVER_VECTOR_BYTES)));
// What comparing two Vec gives: all bits set in a lane where it holds.
typedef long long Mask __attribute__((vector_size(TALVER_VECTOR_BYTES)));
constexpr std::size_t kWidth = sizeof(Vec) / sizeof(double);
static_assert(kLanes % kWidth == 0, "the points side by side fill whole vectors");

TALVER_INLINE Vec load(const double* from)
{
    Vec v;
    std::memcpy(&v, from, sizeof v);
    return v;
}

TALVER_INLINE void store(double* to, const Vec& v) { std::memcpy(to, &v, sizeof v); }

// a where mask is set, else b: in bit operations, which every path has.
TALVER_INLINE Vec select(const Mask& mask, const Vec& a, const Vec& b)
{
    return reinterpret_cast<Vec>((reinterpret_cast<Mask>(a) & mask) | (reinterpret_cast<Mask>(b) & ~mask));
}

// The lanes a mask holds in, a bit each.
TALVER_INLINE unsigned laneBits(const Mask& mask)
{
#if TALVER_VECTOR_BYTES == 64
    const __m512i bits = reinterpret_cast<__m512i>(mask);
    return _mm512_test_epi64_mask(bits, bits);
#elif TALVER_VECTOR_BYTES == 32
    return static_cast<unsigned>(_mm256_movemask_pd(reinterpret_cast<__m256d>(mask)));
#elif defined(__SSE2__)
    return static_cast<unsigned>(_mm_movemask_pd(reinterpret_cast<__m128d>(mask)));
#else
    unsigned bits = 0;
    for (std::size_t k = 0; k < kWidth; ++k)
        bits |= mask[k] ? 1u << k : 0u;
    return bits;
#endif
}

constexpr unsigned kEveryLane = (1u << kWidth) - 1;

// The kernels on kLanes points take them kWidth at a time: the points are
// independent, and a group's values fit in the registers.

void numberCorrect(const double* P, int m, double* f, double* work)
{
    if (m <= 0) {
        f[0] = 1.0;
        return;
    }
    // Row by row between two buffers, kWidth totals at a time; the rows
    // have room past their ends for the last vector.
    const std::size_t size = NumberCorrectWorkSize(m) / 2;
    double* current = work;
    double* next = work + size;
    std::fill(work, work + 2 * size, 0.0);
    current[0] = 1.0 - P[0];
    current[1] = P[0];
    for (int i = 1; i < m; ++i) {
        const double p = P[i], q = 1.0 - p;
        next[0] = current[0] * q;
        for (std::size_t s0 = 1; s0 <= static_cast<std::size_t>(i); s0 += kWidth)
            store(next + s0, load(current + s0) * q + load(current + s0 - 1) * p);
        next[i + 1] = current[i] * p;
        std::swap(current, next);
    }
    std::copy(current, current + m + 1, f);
}

void totalScore(const double* P, int m, int K, double* f, double* work)
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
    // so that every total takes its K terms the same way, a vector of
    // totals at a time. A total gathers its terms in increasing c from 0.0,
    // as when the items were added category by category: the terms from the
    // zeros are ±0, which leave a sum that starts at +0 as it was.
    const std::size_t pad = static_cast<std::size_t>(K) - 1, size = TotalScoreWorkSize(m, K) / 2;
    double* current = work;
    double* next = work + size;
    std::fill(work, work + 2 * size, 0.0);
    std::copy(P, P + K, current + pad);
    for (int i = 1; i < m; ++i) {
        const double* p = P + static_cast<std::size_t>(i) * K;
        const std::size_t width = static_cast<std::size_t>(i + 1) * (K - 1) + 1;  // of the new row
        std::size_t s0 = 0;
        // Four vectors of totals at a time: four sums under way at once.
        for (; s0 + 4 * kWidth <= width; s0 += 4 * kWidth) {
            Vec sum0 = {}, sum1 = {}, sum2 = {}, sum3 = {};
            for (int c = 0; c < K; ++c) {
                const double* from = current + pad + s0 - c;
                sum0 += load(from) * p[c];
                sum1 += load(from + kWidth) * p[c];
                sum2 += load(from + 2 * kWidth) * p[c];
                sum3 += load(from + 3 * kWidth) * p[c];
            }
            double* to = next + pad + s0;
            store(to, sum0);
            store(to + kWidth, sum1);
            store(to + 2 * kWidth, sum2);
            store(to + 3 * kWidth, sum3);
        }
        for (; s0 < width; s0 += kWidth) {
            Vec sum = {};
            for (int c = 0; c < K; ++c)
                sum += load(current + pad + s0 - c) * p[c];
            store(next + pad + s0, sum);
        }
        std::swap(current, next);
    }
    std::copy(current + pad, current + pad + R, f);
}

void numberCorrectLanes(const double* P, int m, double* f)
{
    for (std::size_t first = 0; first < kLanes; first += kWidth) {
        const double* Pg = P + first;
        double* fg = f + first;
        if (m <= 0) {
            store(fg, Vec{} + 1.0);
            continue;
        }
        const Vec p = load(Pg);
        store(fg, 1.0 - p);
        store(fg + kLanes, p);
        // In place from the top, two items a sweep: g = f with item i added,
        // h = g with item i + 1, each g(s) and h(s) made as the one-item
        // recursion makes it, so the same bits with half the loads and
        // stores. f(s - 2) is still the old value when h(s) is stored.
        std::size_t i = 1;
        for (; i + 1 < static_cast<std::size_t>(m); i += 2) {
            const Vec p1 = load(Pg + i * kLanes), q1 = 1.0 - p1;
            const Vec p2 = load(Pg + (i + 1) * kLanes), q2 = 1.0 - p2;
            Vec high = load(fg + i * kLanes), g = high * p1;  // f(s − 1), g(s) for s = i + 1
            store(fg + (i + 2) * kLanes, g * p2);
            for (std::size_t s = i + 1; s > 1; --s) {
                const Vec low = load(fg + (s - 2) * kLanes), below = high * q1 + low * p1;
                store(fg + s * kLanes, g * q2 + below * p2);
                g = below;
                high = low;
            }
            const Vec bottom = high * q1;
            store(fg + kLanes, g * q2 + bottom * p2);
            store(fg, bottom * q2);
        }
        if (i < static_cast<std::size_t>(m)) {
            const Vec p1 = load(Pg + i * kLanes), q1 = 1.0 - p1;
            Vec here = load(fg + i * kLanes);
            store(fg + (i + 1) * kLanes, here * p1);
            for (std::size_t s = i; s > 0; --s) {
                const Vec below = load(fg + (s - 1) * kLanes);
                store(fg + s * kLanes, here * q1 + below * p1);
                here = below;
            }
            store(fg, here * q1);
        }
    }
}

void addWeighted(double* sum, double weight, const double* f, std::size_t count)
{
    for (std::size_t s = 0; s < count; ++s)
        sum[s] += weight * f[s];
}

// SLEEF's exponential without fused multiply-add, at the path's width:
// every build of it gives the same bits.
TALVER_INLINE Vec exponential(const Vec& x)
{
#if TALVER_VECTOR_BYTES == 64
    return reinterpret_cast<Vec>(Sleef_cinz_expd8_u10avx512fnofma(reinterpret_cast<__m512d>(x)));
#elif TALVER_VECTOR_BYTES == 32
    return reinterpret_cast<Vec>(Sleef_cinz_expd4_u10avx(reinterpret_cast<__m256d>(x)));
#elif defined(__SSE2__)
    return reinterpret_cast<Vec>(Sleef_cinz_expd2_u10sse2(reinterpret_cast<__m128d>(x)));
#else
    Vec e;
    for (std::size_t l = 0; l < kWidth; ++l)
        e[l] = Sleef_cinz_expd1_u10purec(x[l]);
    return e;
#endif
}

void exponentials(double* values, std::size_t count)
{
    std::size_t k = 0;
    for (; k + kWidth <= count; k += kWidth)
        store(values + k, exponential(load(values + k)));
    if (k < count) {
        // The last few through a vector of their own; a lane's bits do not
        // depend on the others.
        double rest[kWidth] = {};
        std::copy(values + k, values + count, rest);
        store(rest, exponential(load(rest)));
        std::copy(rest, rest + (count - k), values + k);
    }
}

// The category probabilities of kWidth items at a time, an item a lane: a
// row of the items' parameters (floats) as doubles, the lanes past the last
// item repeating it; and a category's lane by lane into the items' rows.
typedef float Floats __attribute__((vector_size(TALVER_VECTOR_BYTES / 2)));

TALVER_INLINE Vec itemsOf(const float* row, std::size_t first, std::size_t m)
{
    if (first + kWidth <= m) {
        Floats values;
        std::memcpy(&values, row + first, sizeof values);
        return __builtin_convertvector(values, Vec);
    }
    Vec values;
    for (std::size_t l = 0; l < kWidth; ++l)
        values[l] = row[std::min(first + l, m - 1)];
    return values;
}

TALVER_INLINE void storeCategory(const Vec& p, std::size_t first, std::size_t m, std::size_t K, std::size_t k,
                                 double* P)
{
    for (std::size_t l = 0; l < kWidth && first + l < m; ++l)
        P[(first + l) * K + k] = p[l];
}

void gradedCategories(const float* a, const float* b, int m, int K, double theta, double* P)
{
    const std::size_t items = static_cast<std::size_t>(m), categories = static_cast<std::size_t>(K);
    const Vec one = Vec{} + 1.0, infinity = Vec{} + std::numeric_limits<double>::infinity();
    for (std::size_t first = 0; first < items; first += kWidth) {
        const Vec discrimination = itemsOf(a, first, items);
        Vec above = one;  // P*_0
        for (std::size_t k = 0; k + 1 < categories; ++k) {
            const Vec e = exponential(discrimination * (theta - itemsOf(b + k * items, first, items)));
            const Vec next = select(e == infinity, one, e / (1.0 + e));
            storeCategory(above - next, first, items, categories, k, P);
            above = next;
        }
        storeCategory(above, first, items, categories, categories - 1, P);
    }
}

bool partialCreditCategories(const float* a, const float* b, int m, int K, double theta, double* P,
                             double* scratch)
{
    const std::size_t items = static_cast<std::size_t>(m), categories = static_cast<std::size_t>(K);
    const Vec one = Vec{} + 1.0, largest = Vec{} + std::numeric_limits<double>::max();
    bool overflowed = false;
    for (std::size_t first = 0; first < items; first += kWidth) {
        const Vec discrimination = itemsOf(a, first, items);
        Vec z = {}, sum = one;
        store(scratch, one);  // e^0, exactly
        for (std::size_t k = 1; k < categories; ++k) {
            z += discrimination * (theta - itemsOf(b + (k - 1) * items, first, items));
            const Vec e = exponential(z);
            store(scratch + k * kWidth, e);
            sum += e;
        }
        for (std::size_t k = 0; k < categories; ++k)
            storeCategory(load(scratch + k * kWidth) / sum, first, items, categories, k, P);
        const unsigned finite = laneBits(sum <= largest);
        for (std::size_t l = 0; l < kWidth && first + l < items; ++l)
            if (!(finite >> l & 1u)) {
                P[(first + l) * categories] = std::numeric_limits<double>::quiet_NaN();
                overflowed = true;
            }
    }
    return overflowed;
}

// convolve for one group; short b (LB terms, known here) stays in
// registers.
template <std::size_t LB>
TALVER_INLINE void convolveWith(const double* a, std::size_t la, const double* b, std::size_t lb, double* c)
{
    Vec y[LB ? LB : 1];
    for (std::size_t j = 0; j < LB; ++j)
        y[j] = load(b + j * kLanes);
    // Total o takes the terms j from lo(o) to hi(o), in increasing j.
    const auto lo = [&](std::size_t o) { return o + 1 > la ? o + 1 - la : 0; };
    const auto hi = [&](std::size_t o) { return std::min(o, lb - 1); };
    const auto terms = [&](Vec& sum, std::size_t o, std::size_t from, std::size_t to) {
        for (std::size_t j = from; j < to; ++j)
            sum += load(a + (o - j) * kLanes) * load(b + j * kLanes);
    };
    for (std::size_t o = 0; o + 1 < la + lb; ++o) {
        // Long ones, four totals at a time: the terms all four take with
        // b's term loaded once, those of fewer before and after them, so
        // that each total still adds its terms in order. At the ends, where
        // the totals take fewer terms, too.
        if (LB == 0 && o + 4 < la + lb) {
            Vec s0 = {}, s1 = {}, s2 = {}, s3 = {};
            const std::size_t first = lo(o + 3), last = hi(o);
            if (first <= last) {
                terms(s0, o, lo(o), first);
                terms(s1, o + 1, lo(o + 1), first);
                terms(s2, o + 2, lo(o + 2), first);
                for (std::size_t j = first; j <= last; ++j) {
                    const Vec z = load(b + j * kLanes);
                    const double* from = a + (o - j) * kLanes;
                    s0 += load(from) * z;
                    s1 += load(from + kLanes) * z;
                    s2 += load(from + 2 * kLanes) * z;
                    s3 += load(from + 3 * kLanes) * z;
                }
                terms(s1, o + 1, last + 1, hi(o + 1) + 1);
                terms(s2, o + 2, last + 1, hi(o + 2) + 1);
                terms(s3, o + 3, last + 1, hi(o + 3) + 1);
            } else {
                terms(s0, o, lo(o), hi(o) + 1);
                terms(s1, o + 1, lo(o + 1), hi(o + 1) + 1);
                terms(s2, o + 2, lo(o + 2), hi(o + 2) + 1);
                terms(s3, o + 3, lo(o + 3), hi(o + 3) + 1);
            }
            store(c + o * kLanes, s0);
            store(c + (o + 1) * kLanes, s1);
            store(c + (o + 2) * kLanes, s2);
            store(c + (o + 3) * kLanes, s3);
            o += 3;
            continue;
        }
        Vec sum = {};
        if (LB > 0 && o + 1 >= LB && o < la) {
            for (std::size_t j = 0; j < LB; ++j)
                sum += load(a + (o - j) * kLanes) * y[j];
        } else {
            terms(sum, o, lo(o), hi(o) + 1);
        }
        store(c + o * kLanes, sum);
    }
}

// use(std::integral_constant<std::size_t, N>()) for the N among Known that
// equals value, else for N = 0: a size known at compile time where it is
// one of the common ones.
template <std::size_t... Known, typename Use>
TALVER_INLINE void withKnown(std::size_t value, Use use)
{
    const bool known = ((value == Known ? (use(std::integral_constant<std::size_t, Known>()), true) : false) || ...);
    if (!known)
        use(std::integral_constant<std::size_t, 0>());
}

void convolve(const double* a, std::size_t la, const double* b, std::size_t lb, double* c)
{
    if (la < lb) {
        std::swap(a, b);
        std::swap(la, lb);
    }
    for (std::size_t g = 0; g < kLanes; g += kWidth)
        withKnown<2, 3, 4, 5, 6, 7, 9>(
            lb, [&](auto held) { convolveWith<decltype(held)::value>(a + g, la, b + g, lb, c + g); });
}

void accumulate(const double* share, int K, const double* without, std::size_t width, double* sums, std::size_t R)
{
    for (std::size_t g = 0; g < kLanes; g += kWidth)
        for (int k = 0; k < K; ++k) {
            const Vec w = load(share + k * kLanes + g);
            double* to = sums + (static_cast<std::size_t>(k) * R + k) * kLanes + g;
            for (std::size_t r = 0; r < width; ++r)
                store(to + r * kLanes, load(to + r * kLanes) + w * load(without + r * kLanes + g));
        }
}

// The vector registers of the path: what a kernel may hold at once.
constexpr std::size_t kRegisters = kWidth == 8 ? 32 : 16;

// accumulatePair for one group: total r of each item's distribution
// without it, its terms from first to last in increasing category from 0.0.
struct PairWithout {
    Vec i, j;
};

TALVER_INLINE PairWithout pairWithoutAt(std::size_t r, std::size_t first, std::size_t last, const double* out,
                                        const double* Pi, const double* Pj)
{
    Vec withoutI = {}, withoutJ = {};
    for (std::size_t l = first; l <= last; ++l) {
        const Vec o = load(out + (r - l) * kLanes);
        withoutI += o * load(Pj + l * kLanes);
        withoutJ += o * load(Pi + l * kLanes);
    }
    return {withoutI, withoutJ};
}

// K = sizeof…(L) categories, known here: the totals that take all K terms
// keep the categories in registers, and the shares too where they fit,
// the steps written out one by one (L…).
template <std::size_t... L>
TALVER_INLINE void accumulatePairOf(std::index_sequence<L...>, const double* out, std::size_t width,
                                    const double* Pi, const double* Pj, const double* shareI,
                                    const double* shareJ, double* sumsI, double* sumsJ, std::size_t R)
{
    constexpr std::size_t K = sizeof...(L);
    constexpr bool kHoldCategories = 2 * K + 10 <= kRegisters, kHoldShares = 4 * K + 6 <= kRegisters;
    const Vec pi[K] = {(kHoldCategories ? load(Pi + L * kLanes) : Vec{})...};
    const Vec pj[K] = {(kHoldCategories ? load(Pj + L * kLanes) : Vec{})...};
    const Vec si[K] = {(kHoldShares ? load(shareI + L * kLanes) : Vec{})...};
    const Vec sj[K] = {(kHoldShares ? load(shareJ + L * kLanes) : Vec{})...};
    for (std::size_t r = 0; r + 1 < width + K; ++r) {
        Vec withoutI = {}, withoutJ = {};
        if (r + 1 >= K && r < width) {
            const auto term = [&](std::size_t l) {
                const Vec o = load(out + (r - l) * kLanes);
                withoutI += o * (kHoldCategories ? pj[l] : load(Pj + l * kLanes));
                withoutJ += o * (kHoldCategories ? pi[l] : load(Pi + l * kLanes));
            };
            (term(L), ...);
        } else {
            const PairWithout edge =
                pairWithoutAt(r, r + 1 > width ? r + 1 - width : 0, std::min(r, K - 1), out, Pi, Pj);
            withoutI = edge.i;
            withoutJ = edge.j;
        }
        const auto add = [&](std::size_t k) {
            double* to = sumsI + (k * R + k + r) * kLanes;
            store(to, load(to) + (kHoldShares ? si[k] : load(shareI + k * kLanes)) * withoutI);
            to = sumsJ + (k * R + k + r) * kLanes;
            store(to, load(to) + (kHoldShares ? sj[k] : load(shareJ + k * kLanes)) * withoutJ);
        };
        (add(L), ...);
    }
}

// Any number of categories, from memory.
TALVER_INLINE void accumulatePairOfAny(const double* out, std::size_t width, const double* Pi, const double* Pj,
                                       const double* shareI, const double* shareJ, std::size_t K, double* sumsI,
                                       double* sumsJ, std::size_t R)
{
    for (std::size_t r = 0; r + 1 < width + K; ++r) {
        const PairWithout without =
            pairWithoutAt(r, r + 1 > width ? r + 1 - width : 0, std::min(r, K - 1), out, Pi, Pj);
        for (std::size_t k = 0; k < K; ++k) {
            double* to = sumsI + (k * R + k + r) * kLanes;
            store(to, load(to) + load(shareI + k * kLanes) * without.i);
            to = sumsJ + (k * R + k + r) * kLanes;
            store(to, load(to) + load(shareJ + k * kLanes) * without.j);
        }
    }
}

void accumulatePair(const double* out, std::size_t width, const double* Pi, const double* Pj, const double* shareI,
                    const double* shareJ, int K, double* sumsI, double* sumsJ, std::size_t R)
{
    for (std::size_t g = 0; g < kLanes; g += kWidth)
        withKnown<2, 3, 4, 5>(static_cast<std::size_t>(K), [&](auto held) {
            constexpr std::size_t categories = decltype(held)::value;
            if constexpr (categories > 0)
                accumulatePairOf(std::make_index_sequence<categories>(), out + g, width, Pi + g, Pj + g, shareI + g,
                                 shareJ + g, sumsI + g, sumsJ + g, R);
            else
                accumulatePairOfAny(out + g, width, Pi + g, Pj + g, shareI + g, shareJ + g,
                                    static_cast<std::size_t>(K), sumsI + g, sumsJ + g, R);
        });
}

// A binary item i taken out of the distribution f of all m items (m + 1
// totals), one group of points: adds weight q g(s) and weight p g(s − 1)
// into the item's sums of categories 0 and 1, g = f₋ᵢ, p its probability
// and q = 1 − p. With h0(s) = q g(s) and h1(s) = p g(s − 1), f(s) = h0(s) +
// h1(s). Upwards, h1(s) = p/q h0(s − 1) and h0(s) = f(s) − h1(s); downwards,
// h0(s) = q/p h1(s + 1) and h1(s) = f(s) − h0(s). A share that is at most
// the other one takes no more than the relative error it came with, so the
// upward recursion serves while h1 ≤ h0 and the downward one from there,
// the share h1/h0 rising with s (g is log-concave): relative errors grow
// by a few ulps a step at most, also in the far tails and where p or q is
// a hair from 0. An exact 0 or 1 makes one of them NaN, never taken.
// Each recursion runs only as far as some lane takes it: the upward one
// until every lane has left it, the downward one down to where the first
// lane left; where the lanes differ, the upward shares wait in memory.
// N items at once, whose recursions interleave: each step of one waits on
// its previous step, and the processor fills the wait with the others'.
struct DividedItem {
    Vec q, p, toP, toQ, h0, h1, down;
    Mask upward;
    std::size_t mixed, apart;  // the first total where some lane has left the upward recursion; every lane
};

// The items' steps are written out one by one (I…), never indexed at run
// time, so that their values stay in registers. up holds, where the lanes
// differ, the upward h1 of the lanes that take it and NaN elsewhere.
template <std::size_t... I>
TALVER_INLINE void divideOutItems(std::index_sequence<I...>, const double* f, std::size_t m, const double* P,
                                  const double* weight, double* sums, double* up)
{
    DividedItem item[sizeof...(I)];
    const Vec w = load(weight);
    const std::size_t R = m + 1;
    const auto add = [&](std::size_t i, std::size_t s, const Vec& h0, const Vec& h1) {
        double* to = sums + (2 * i * R + s) * kLanes;
        store(to, load(to) + w * h0);
        to += R * kLanes;
        store(to, load(to) + w * h1);
    };
    const Vec f0 = load(f), none = Vec{} + std::numeric_limits<double>::quiet_NaN();
    const auto start = [&](DividedItem& d, std::size_t i) {
        d.q = load(P + 2 * i * kLanes);
        d.p = load(P + (2 * i + 1) * kLanes);
        d.toP = 1.0 / d.q;  // g(s) = h0(s) / q
        d.toQ = 1.0 / d.p;  // g(s − 1) = h1(s) / p
        d.h1 = Vec{};
        d.h0 = f0;
        d.upward = Vec{} == Vec{};  // all lanes true
        d.mixed = d.apart = R;
    };
    (start(item[I], I), ...);
    bool going = true;
    for (std::size_t s = 0; s <= m && going; ++s) {
        const Vec fs = load(f + s * kLanes);
        going = false;
        const auto upStep = [&](DividedItem& d, std::size_t i) {
            if (s >= d.apart)
                return;
            if (s > 0) {
                d.h1 = d.p * (d.h0 * d.toP);
                d.h0 = fs - d.h1;
            }
            d.upward = d.upward & (d.h1 <= d.h0);
            const unsigned lanes = laneBits(d.upward);
            going = going || lanes != 0;
            if (lanes == kEveryLane)
                return add(i, s, d.h0, d.h1);
            d.mixed = std::min(d.mixed, s);
            if (lanes == 0)
                d.apart = s;
            else
                store(up + (i * R + s) * kLanes, select(d.upward, d.h1, none));
        };
        (upStep(item[I], I), ...);
    }
    std::size_t lowest = R;
    const auto top = [&](DividedItem& d) {
        d.down = load(f + m * kLanes);
        lowest = std::min(lowest, d.mixed);
    };
    (top(item[I]), ...);
    for (std::size_t s = m + 1; s-- > lowest;) {
        const Vec fs = load(f + s * kLanes);
        const auto downStep = [&](DividedItem& d, std::size_t i) {
            if (s < d.mixed)
                return;
            if (s < m)
                d.down = fs - d.q * (d.down * d.toQ);
            Vec h1 = d.down;
            if (s < d.apart) {
                const Vec upward = load(up + (i * R + s) * kLanes);
                h1 = select(upward == upward, upward, h1);
            }
            add(i, s, fs - h1, h1);
        };
        (downStep(item[I], I), ...);
    }
}

void divideOut(const double* f, std::size_t m, std::size_t count, const double* P, const double* weight,
               double* sums, double* scratch)
{
    // Items at once: four in AVX-512's 32 registers; three in 16, where a
    // few invariants are read from the stack, which costs less than waiting
    // on two recursions' latency. The groups of points take the same items
    // one after the other, while their sums are in the nearest cache.
    constexpr std::size_t kTogether = kWidth == 8 ? 4 : 3;
    const std::size_t R = m + 1;
    std::size_t i = 0;
    for (; i + kTogether <= count; i += kTogether)
        for (std::size_t g = 0; g < kLanes; g += kWidth)
            divideOutItems(std::make_index_sequence<kTogether>(), f + g, m, P + 2 * i * kLanes + g, weight + g,
                           sums + 2 * i * R * kLanes + g, scratch + g);
    for (; i < count; ++i)
        for (std::size_t g = 0; g < kLanes; g += kWidth)
            divideOutItems(std::index_sequence<0>(), f + g, m, P + 2 * i * kLanes + g, weight + g,
                           sums + 2 * i * R * kLanes + g, scratch + g);
}

void addProducts(const double* P, std::size_t items, std::size_t K, std::size_t rows, double weight, double* sums)
{
    const std::size_t width = items * K;
    for (std::size_t a = 0; a < rows * K; ++a) {
        const double wa = weight * P[a];
        const std::size_t later = (a / K + 1) * K;
        for (std::size_t b = later; b < width; ++b)
            sums[b - later] += wa * P[b];
        sums += width - later;
    }
}

}  // namespace

const VectorKernels& TALVER_KERNELS()
{
    static const VectorKernels kernels{numberCorrect,    totalScore,     numberCorrectLanes,
                                       addWeighted,      exponentials,   gradedCategories,
                                       partialCreditCategories, convolve, accumulate,
                                       accumulatePair,   divideOut,      addProducts};
    return kernels;
}

#include "kernels/VectorTargetEnd.h"
