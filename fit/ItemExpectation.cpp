#include "fit/ItemExpectation.h"

#include <algorithm>

#include "fit/VectorLanes.h"
#include "fit/Workers.h"

namespace {

// Nodes per block, a multiple of the lanes; the blocks, not the threads,
// set the order of the sums.
constexpr std::size_t kBlockNodes = 128 * kLanes;

#if defined(__GNUC__)
#define TALVER_INLINE inline __attribute__((always_inline))
#else
#define TALVER_INLINE inline
#endif

// c (la + lb − 1 totals) = a convolved with b, eight nodes side by side;
// each total gathers its terms in increasing order of b's index. Short
// ones (LB terms, known here) keep b in registers.
template <std::size_t LB>
TALVER_INLINE void convolveWith(const double* a, std::size_t la, const double* b, std::size_t lb, double* c)
{
    Lanes y[LB ? LB : 1], x;
    for (std::size_t j = 0; j < LB; ++j)
        LoadLanes(y[j], b + j * kLanes);
    for (std::size_t o = 0; o + 1 < la + lb; ++o) {
        // Long ones, four totals at a time: b's term loaded once for all.
        if (LB == 0 && o + 1 >= lb && o + 4 <= la) {
            Lanes s0 = {}, s1 = {}, s2 = {}, s3 = {}, z;
            for (std::size_t j = 0; j < lb; ++j) {
                LoadLanes(z, b + j * kLanes);
                const double* from = a + (o - j) * kLanes;
                LoadLanes(x, from);
                s0 += x * z;
                LoadLanes(x, from + kLanes);
                s1 += x * z;
                LoadLanes(x, from + 2 * kLanes);
                s2 += x * z;
                LoadLanes(x, from + 3 * kLanes);
                s3 += x * z;
            }
            StoreLanes(c + o * kLanes, s0);
            StoreLanes(c + (o + 1) * kLanes, s1);
            StoreLanes(c + (o + 2) * kLanes, s2);
            StoreLanes(c + (o + 3) * kLanes, s3);
            o += 3;
            continue;
        }
        Lanes sum = {};
        if (LB > 0 && o + 1 >= LB && o < la) {
            for (std::size_t j = 0; j < LB; ++j) {
                LoadLanes(x, a + (o - j) * kLanes);
                sum += x * y[j];
            }
        } else {
            const std::size_t first = o + 1 > la ? o + 1 - la : 0, last = std::min(o, lb - 1);
            for (std::size_t j = first; j <= last; ++j) {
                Lanes z;
                LoadLanes(x, a + (o - j) * kLanes);
                LoadLanes(z, b + j * kLanes);
                sum += x * z;
            }
        }
        StoreLanes(c + o * kLanes, sum);
    }
}

TALVER_VECTOR_CLONES
void convolve(const double* a, std::size_t la, const double* b, std::size_t lb, double* c)
{
    if (la < lb) {
        std::swap(a, b);
        std::swap(la, lb);
    }
    switch (lb) {
    case 2:
        return convolveWith<2>(a, la, b, lb, c);
    case 3:
        return convolveWith<3>(a, la, b, lb, c);
    case 4:
        return convolveWith<4>(a, la, b, lb, c);
    case 5:
        return convolveWith<5>(a, la, b, lb, c);
    case 6:
        return convolveWith<6>(a, la, b, lb, c);
    case 7:
        return convolveWith<7>(a, la, b, lb, c);
    case 9:
        return convolveWith<9>(a, la, b, lb, c);
    default:
        return convolveWith<0>(a, la, b, lb, c);
    }
}

// sums(k, r + k) += share(k) f₋ᵢ(r) for every category k of one item.
TALVER_VECTOR_CLONES
void accumulate(const double* share, int K, const double* without, std::size_t width, double* sums, std::size_t R)
{
    for (int k = 0; k < K; ++k) {
        Lanes w, f, sum;
        LoadLanes(w, share + k * kLanes);
        double* to = sums + (static_cast<std::size_t>(k) * R + k) * kLanes;
        for (std::size_t r = 0; r < width; ++r) {
            LoadLanes(f, without + r * kLanes);
            LoadLanes(sum, to + r * kLanes);
            StoreLanes(to + r * kLanes, sum + w * f);
        }
    }
}

// Two items i and j, side by side in the halving, whose distribution
// without both is out (width totals): each one's f₋ = out convolved with
// the other's categories, added into its sums as accumulate does, without
// storing f₋ on the way. Few categories (K, known here) stay in registers.
template <std::size_t K>
TALVER_INLINE void accumulatePairOf(const double* out, std::size_t width, const double* Pi, const double* Pj,
                                    const double* shareI, const double* shareJ, std::size_t categories,
                                    double* sumsI, double* sumsJ, std::size_t R)
{
    constexpr std::size_t kHeld = K ? K : 1;
    Lanes pi[kHeld], pj[kHeld], si[kHeld], sj[kHeld];
    for (std::size_t k = 0; k < K; ++k) {
        LoadLanes(pi[k], Pi + k * kLanes);
        LoadLanes(pj[k], Pj + k * kLanes);
        LoadLanes(si[k], shareI + k * kLanes);
        LoadLanes(sj[k], shareJ + k * kLanes);
    }
    for (std::size_t r = 0; r + 1 < width + categories; ++r) {
        const std::size_t first = r + 1 > width ? r + 1 - width : 0, last = std::min(r, categories - 1);
        Lanes withoutI = {}, withoutJ = {}, o, p, w, sum;
        for (std::size_t l = first; l <= last; ++l) {
            LoadLanes(o, out + (r - l) * kLanes);
            if (K) {
                withoutI += o * pj[l];
                withoutJ += o * pi[l];
            } else {
                LoadLanes(p, Pj + l * kLanes);
                withoutI += o * p;
                LoadLanes(p, Pi + l * kLanes);
                withoutJ += o * p;
            }
        }
        for (std::size_t k = 0; k < categories; ++k) {
            double* to = sumsI + (k * R + k + r) * kLanes;
            LoadLanes(sum, to);
            if (!K)
                LoadLanes(w, shareI + k * kLanes);
            StoreLanes(to, sum + (K ? si[k] : w) * withoutI);
            to = sumsJ + (k * R + k + r) * kLanes;
            LoadLanes(sum, to);
            if (!K)
                LoadLanes(w, shareJ + k * kLanes);
            StoreLanes(to, sum + (K ? sj[k] : w) * withoutJ);
        }
    }
}

TALVER_VECTOR_CLONES
void accumulatePair(const double* out, std::size_t width, const double* Pi, const double* Pj, const double* shareI,
                    const double* shareJ, int K, double* sumsI, double* sumsJ, std::size_t R)
{
    const std::size_t categories = static_cast<std::size_t>(K);
    switch (K) {
    case 2:
        return accumulatePairOf<2>(out, width, Pi, Pj, shareI, shareJ, categories, sumsI, sumsJ, R);
    case 3:
        return accumulatePairOf<3>(out, width, Pi, Pj, shareI, shareJ, categories, sumsI, sumsJ, R);
    case 4:
        return accumulatePairOf<4>(out, width, Pi, Pj, shareI, shareJ, categories, sumsI, sumsJ, R);
    case 5:
        return accumulatePairOf<5>(out, width, Pi, Pj, shareI, shareJ, categories, sumsI, sumsJ, R);
    default:
        return accumulatePairOf<0>(out, width, Pi, Pj, shareI, shareJ, categories, sumsI, sumsJ, R);
    }
}

// A binary item i taken out of the distribution f of all m items (m + 1
// totals), eight nodes side by side: adds weight q g(s) and weight p g(s − 1)
// into the item's sums of categories 0 and 1, g = f₋ᵢ, p its probability
// and q = 1 − p. With h0(s) = q g(s) and h1(s) = p g(s − 1), f(s) = h0(s) +
// h1(s). Upwards, h1(s) = p/q h0(s − 1) and h0(s) = f(s) − h1(s); downwards,
// h0(s) = q/p h1(s + 1) and h1(s) = f(s) − h0(s). A share that is at most
// the other one takes no more than the relative error it came with, so the
// upward recursion serves while h1 ≤ h0 and the downward one from there,
// the share h1/h0 rising with s (g is log-concave): relative errors grow
// by a few ulps a step at most, also in the far tails and where p or q is
// a hair from 0. Both run over every total and each total takes the one
// that is sound there; an exact 0 or 1 makes one of them NaN, never taken.
// N items at once, whose recursions interleave: each step of one waits on
// its previous step, and the processor fills the wait with the others'.
template <std::size_t N>
TALVER_INLINE void divideOutItems(const double* f, std::size_t m, const double* P, const double* weight,
                                  double* sums, double* downward)
{
    Lanes q[N], p[N], toP[N], toQ[N], h0[N], h1[N], w, fs, sum, down0, down1;
    LaneMask upward[N];
    LoadLanes(w, weight);
    for (std::size_t i = 0; i < N; ++i) {
        LoadLanes(q[i], P + 2 * i * kLanes);
        LoadLanes(p[i], P + (2 * i + 1) * kLanes);
        toP[i] = 1.0 / q[i];  // g(s) = h0(s) / q
        toQ[i] = 1.0 / p[i];  // g(s − 1) = h1(s) / p
        LoadLanes(h1[i], f + m * kLanes);
        upward[i] = Lanes{} == Lanes{};  // all lanes true
    }
    // Downwards, keeping h1 of every total.
    const std::size_t R = m + 1;
    for (std::size_t s = m + 1; s-- > 0;) {
        LoadLanes(fs, f + s * kLanes);
        for (std::size_t i = 0; i < N; ++i) {
            if (s < m)
                h1[i] = fs - q[i] * (h1[i] * toQ[i]);
            StoreLanes(downward + (i * R + s) * kLanes, h1[i]);
        }
    }
    // Upwards, while h1 ≤ h0 at every total so far.
    for (std::size_t s = 0; s <= m; ++s) {
        LoadLanes(fs, f + s * kLanes);
        for (std::size_t i = 0; i < N; ++i) {
            if (s == 0) {
                h1[i] = Lanes{};
                h0[i] = fs;
            } else {
                h1[i] = p[i] * (h0[i] * toP[i]);
                h0[i] = fs - h1[i];
            }
            upward[i] = upward[i] & (h1[i] <= h0[i]);
            LoadLanes(down1, downward + (i * R + s) * kLanes);
            down0 = fs - down1;
            double* to = sums + (2 * i * R + s) * kLanes;
            LoadLanes(sum, to);
            StoreLanes(to, sum + w * (upward[i] ? h0[i] : down0));
            to += R * kLanes;
            LoadLanes(sum, to);
            StoreLanes(to, sum + w * (upward[i] ? h1[i] : down1));
        }
    }
}

// Every binary item taken out of the distribution f of all m items.
TALVER_VECTOR_CLONES
void divideOut(const double* f, std::size_t m, const double* P, const double* weight, double* sums,
               double* downward)
{
    constexpr std::size_t kTogether = 4;
    const std::size_t R = m + 1;
    std::size_t i = 0;
    for (; i + kTogether <= m; i += kTogether)
        divideOutItems<kTogether>(f, m, P + 2 * i * kLanes, weight, sums + 2 * i * R * kLanes, downward);
    for (; i < m; ++i)
        divideOutItems<1>(f, m, P + 2 * i * kLanes, weight, sums + 2 * i * R * kLanes, downward);
}

// The distribution of the total without each item in turn, at eight nodes
// at once, and the shares it gives each item's categories. Binary items are
// divided out of f; polytomous ones by halving: a half's items are missing
// from the distribution of all the others, which is the parent's such
// distribution convolved with the other half's. Work m²(K − 1)² log m, all
// of it sums of products.
class LeaveOneOut {
public:
    LeaveOneOut(int items, int categories) : m_(items), K_(categories)
    {
        build();
        dist_.resize(distSize_ * kLanes);
        std::size_t depth = 0;
        for (const Segment& s : segments_)
            depth = std::max(depth, s.depth + 1);
        out_.assign(depth, std::vector<double>((static_cast<std::size_t>(m_) * (K_ - 1) + 1) * kLanes));
        share_.resize(2 * static_cast<std::size_t>(K_) * kLanes);
        downward_.resize(4 * (static_cast<std::size_t>(m_) + 1) * kLanes);
    }

    // From the category probabilities P (m x K totals of eight lanes) and
    // the nodes' weights: adds weight P_ik f₋ᵢ(s − k) into sums (m x K x R)
    // and the weighted distribution of the total into all (R).
    void add(const double* P, const double* weight, double* sums, double* all)
    {
        for (std::size_t n = segments_.size(); n-- > 0;) {  // children before parents
            const Segment& s = segments_[n];
            double* d = dist_.data() + s.offset * kLanes;
            if (s.hi - s.lo == 1) {
                std::copy(P + static_cast<std::size_t>(s.lo) * K_ * kLanes,
                          P + static_cast<std::size_t>(s.lo + 1) * K_ * kLanes, d);
            } else {
                const Segment &l = segments_[s.left], &r = segments_[s.left + 1];
                convolve(dist_.data() + l.offset * kLanes, width(l), dist_.data() + r.offset * kLanes, width(r), d);
            }
        }
        std::fill(out_[0].begin(), out_[0].begin() + kLanes, 1.0);
        weight_ = weight;
        P_ = P;
        sums_ = sums;
        const double* f = dist_.data() + segments_[0].offset * kLanes;
        const std::size_t R = width(segments_[0]);
        if (K_ == 2) {
            divideOut(f, R - 1, P, weight, sums, downward_.data());
        } else {
            descend(0, 1);
        }
        for (std::size_t k = 0; k < R * kLanes; ++k)
            all[k] += weight[k % kLanes] * f[k];
    }

private:
    struct Segment {
        int lo, hi;
        std::size_t depth = 0;
        std::size_t left = 0;  // the children sit side by side
        std::size_t offset = 0;
    };

    std::size_t width(const Segment& s) const { return static_cast<std::size_t>(s.hi - s.lo) * (K_ - 1) + 1; }

    // Breadth first, so that siblings are neighbours.
    void build()
    {
        segments_.push_back({0, m_});
        for (std::size_t n = 0; n < segments_.size(); ++n) {
            const Segment s = segments_[n];
            segments_[n].offset = distSize_;
            distSize_ += width(s);
            if (s.hi - s.lo > 1) {
                const int mid = s.lo + (s.hi - s.lo) / 2;
                segments_[n].left = segments_.size();
                segments_.push_back({s.lo, mid, s.depth + 1});
                segments_.push_back({mid, s.hi, s.depth + 1});
            }
        }
    }

    void descend(std::size_t n, std::size_t outWidth)
    {
        const Segment s = segments_[n];
        const double* out = out_[s.depth].data();
        const std::size_t R = static_cast<std::size_t>(m_) * (K_ - 1) + 1, item = static_cast<std::size_t>(K_) * kLanes;
        const auto shareOf = [&](int i, double* share) {
            const double* P = P_ + i * item;
            for (std::size_t k = 0; k < item; ++k)
                share[k] = weight_[k % kLanes] * P[k];
            return sums_ + i * R * item;
        };
        if (s.hi - s.lo == 1) {
            double* sums = shareOf(s.lo, share_.data());
            accumulate(share_.data(), K_, out, outWidth, sums, R);
            return;
        }
        if (s.hi - s.lo == 2) {
            double* sumsI = shareOf(s.lo, share_.data());
            double* sumsJ = shareOf(s.lo + 1, share_.data() + item);
            accumulatePair(out, outWidth, P_ + s.lo * item, P_ + (s.lo + 1) * item, share_.data(),
                           share_.data() + item, K_, sumsI, sumsJ, R);
            return;
        }
        for (std::size_t child = 0; child < 2; ++child) {
            const Segment& other = segments_[s.left + 1 - child];
            convolve(out, outWidth, dist_.data() + other.offset * kLanes, width(other), out_[s.depth + 1].data());
            descend(s.left + child, outWidth + width(other) - 1);
        }
    }

    int m_, K_;
    std::vector<Segment> segments_;
    std::size_t distSize_ = 0;
    std::vector<double> dist_;              // each segment's distribution
    std::vector<std::vector<double>> out_;  // by depth: the distribution without the segment
    std::vector<double> share_;
    std::vector<double> downward_;  // binary items: the downward recursion's shares
    const double *weight_ = nullptr, *P_ = nullptr;
    double* sums_ = nullptr;
};

}  // namespace

ItemExpectation::ItemExpectation(int items, int categories)
    : items_(items),
      categories_(categories),
      totals_(static_cast<std::size_t>(items) * (categories - 1) + 1),
      shares_(static_cast<std::size_t>(items) * totals_ * categories, 0.0)
{
}

bool ExpectItemCategories(const FitModel& model, ItemExpectation& expectation, int threads,
                          const std::function<bool(double)>& progress)
{
    const int m = model.items.itemCount, K = model.items.categoryCount;
    ItemExpectation result(m, K);
    const std::size_t R = result.totals();
    if (m <= 0 || K < 1) {
        expectation = std::move(result);
        return true;
    }
    std::vector<double> theta, weight;
    model.mergedLatent(theta, weight);
    const std::size_t nodes = theta.size();
    // Sums by item, category and total, then the distribution's: a block's
    // lane by lane, and all blocks' together.
    const std::size_t sumSize = (static_cast<std::size_t>(m) * K + 1) * R;
    const std::size_t blocks = (nodes + kBlockNodes - 1) / kBlockNodes;
    const std::size_t workers = std::clamp<std::size_t>(blocks, 1, static_cast<std::size_t>(std::max(threads, 1)));
    struct Worker {
        std::unique_ptr<ItemModel> model;
        LeaveOneOut split;
        std::vector<double> node, P, weight, sums;
    };
    std::vector<Worker> pool;
    for (std::size_t w = 0; w < workers; ++w)
        pool.push_back({model.makeModel(), LeaveOneOut(m, K), std::vector<double>(static_cast<std::size_t>(m) * K),
                        std::vector<double>(static_cast<std::size_t>(m) * K * kLanes), std::vector<double>(kLanes),
                        std::vector<double>(sumSize * kLanes)});
    std::vector<double> total(sumSize, 0.0);

    bool stopped = false;
    RunInOrder(
        blocks, workers,
        [&](std::size_t b, std::size_t w) {
            Worker& worker = pool[w];
            std::fill(worker.sums.begin(), worker.sums.end(), 0.0);
            const std::size_t end = std::min(nodes, (b + 1) * kBlockNodes);
            for (std::size_t first = b * kBlockNodes; first < end; first += kLanes) {
                // Lanes past the last node weigh nothing.
                for (std::size_t l = 0; l < kLanes; ++l) {
                    const std::size_t q = std::min(first + l, end - 1);
                    worker.weight[l] = first + l < end ? weight[q] : 0.0;
                    worker.model->categoriesAt(theta[q], worker.node.data());
                    for (std::size_t c = 0; c < worker.node.size(); ++c)
                        worker.P[c * kLanes + l] = worker.node[c];
                }
                worker.split.add(worker.P.data(), worker.weight.data(), worker.sums.data(),
                                 worker.sums.data() + (sumSize - R) * kLanes);
            }
        },
        [&](std::size_t b, std::size_t w) {
            const std::vector<double>& sums = pool[w].sums;
            for (std::size_t k = 0; k < sumSize; ++k) {
                double lanes = 0.0;
                for (std::size_t l = 0; l < kLanes; ++l)
                    lanes += sums[k * kLanes + l];
                total[k] += lanes;
            }
            stopped = progress && !progress(static_cast<double>(b + 1) / static_cast<double>(blocks));
            return !stopped;
        });
    if (stopped)
        return false;

    const double* all = total.data() + sumSize - R;
    for (int i = 0; i < m; ++i)
        for (std::size_t s = 0; s < R; ++s)
            for (int k = 0; k < K; ++k)
                if (all[s] > 0.0)
                    result.shares_[(static_cast<std::size_t>(i) * R + s) * K + k] =
                        total[(static_cast<std::size_t>(i) * K + k) * R + s] / all[s];
    expectation = std::move(result);
    return true;
}
