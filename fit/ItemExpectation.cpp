#include "fit/ItemExpectation.h"

#include <algorithm>

#include "fit/Workers.h"

namespace {

// Nodes per block; the blocks, not the threads, set the order of the sums.
constexpr std::size_t kBlockNodes = 32;

// c (la + lb − 1 values) = a convolved with b.
void convolve(const double* a, std::size_t la, const double* b, std::size_t lb, double* c)
{
    if (la < lb) {
        std::swap(a, b);
        std::swap(la, lb);
    }
    std::fill(c, c + la + lb - 1, 0.0);
    for (std::size_t j = 0; j < lb; ++j) {
        const double bj = b[j];
        double* to = c + j;
        for (std::size_t i = 0; i < la; ++i)
            to[i] += a[i] * bj;
    }
}

// The distribution of the total without each item in turn, at one node,
// by halving: a half's items are missing from the distribution of all
// the others, which is the parent's such distribution convolved with the
// other half's. Work m²(K − 1)² log m, all of it sums of products.
class LeaveOneOut {
public:
    LeaveOneOut(int items, int categories) : m_(items), K_(categories)
    {
        build(0, items);
        dist_.resize(distSize_);
        std::size_t depth = 0;
        for (const Segment& s : segments_)
            depth = std::max(depth, s.depth + 1);
        out_.assign(depth + 1, std::vector<double>(static_cast<std::size_t>(m_) * (K_ - 1) + 1));
    }

    // The distribution of the total at the node, and for each item its
    // share by category: use(i, without) with f₋ᵢ in without.
    template <typename Use>
    const double* run(const double* P, Use use)
    {
        for (std::size_t n = segments_.size(); n-- > 0;) {  // children before parents
            Segment& s = segments_[n];
            double* d = dist_.data() + s.offset;
            if (s.hi - s.lo == 1) {
                std::copy(P + static_cast<std::size_t>(s.lo) * K_, P + static_cast<std::size_t>(s.lo + 1) * K_, d);
            } else {
                const Segment &l = segments_[s.left], &r = segments_[s.left + 1];
                convolve(dist_.data() + l.offset, width(l), dist_.data() + r.offset, width(r), d);
            }
        }
        out_[0][0] = 1.0;
        descend(0, 1, use);
        return dist_.data() + segments_[0].offset;
    }

private:
    struct Segment {
        int lo, hi;
        std::size_t left = 0;  // the children sit side by side
        std::size_t offset = 0, depth = 0;
    };

    std::size_t width(const Segment& s) const { return static_cast<std::size_t>(s.hi - s.lo) * (K_ - 1) + 1; }

    // Segments breadth first, so that siblings are neighbours.
    void build(int lo, int hi)
    {
        segments_.push_back({lo, hi});
        for (std::size_t n = 0; n < segments_.size(); ++n) {
            Segment& s = segments_[n];
            s.offset = distSize_;
            distSize_ += width(s);
            if (s.hi - s.lo > 1) {
                const int mid = s.lo + (s.hi - s.lo) / 2;
                const std::size_t depth = s.depth + 1;
                s.left = segments_.size();
                const Segment left{segments_[n].lo, mid, 0, 0, depth}, right{mid, segments_[n].hi, 0, 0, depth};
                segments_.push_back(left);
                segments_.push_back(right);
            }
        }
    }

    template <typename Use>
    void descend(std::size_t n, std::size_t outWidth, Use& use)
    {
        const Segment s = segments_[n];
        const std::vector<double>& out = out_[s.depth];
        if (s.hi - s.lo == 1) {
            use(s.lo, out.data(), outWidth);
            return;
        }
        for (std::size_t child = 0; child < 2; ++child) {
            const Segment& other = segments_[s.left + 1 - child];
            convolve(out.data(), outWidth, dist_.data() + other.offset, width(other), out_[s.depth + 1].data());
            descend(s.left + child, outWidth + width(other) - 1, use);
        }
    }

    int m_, K_;
    std::vector<Segment> segments_;
    std::size_t distSize_ = 0;
    std::vector<double> dist_;
    std::vector<std::vector<double>> out_;  // by depth: the distribution without the segment
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
    const std::size_t R = result.totals(), nodes = model.theta.size();
    if (m <= 0 || K < 1) {
        expectation = std::move(result);
        return true;
    }
    // Per worker: the sums of a block, item by item, category by category,
    // total by total, and then the distribution's.
    const std::size_t sumSize = static_cast<std::size_t>(m) * K * R + R;
    const std::size_t blocks = (nodes + kBlockNodes - 1) / kBlockNodes;
    const std::size_t workers = std::clamp<std::size_t>(blocks, 1, static_cast<std::size_t>(std::max(threads, 1)));
    struct Worker {
        std::unique_ptr<ItemModel> model;
        LeaveOneOut split;
        std::vector<double> P, sums;
    };
    std::vector<Worker> pool;
    for (std::size_t w = 0; w < workers; ++w)
        pool.push_back({model.makeModel(), LeaveOneOut(m, K), std::vector<double>(static_cast<std::size_t>(m) * K),
                        std::vector<double>(sumSize)});
    std::vector<double> total(sumSize, 0.0);

    bool stopped = false;
    RunInOrder(
        blocks, workers,
        [&](std::size_t b, std::size_t w) {
            Worker& worker = pool[w];
            double* sums = worker.sums.data();
            std::fill(worker.sums.begin(), worker.sums.end(), 0.0);
            for (std::size_t q = b * kBlockNodes; q < std::min(nodes, (b + 1) * kBlockNodes); ++q) {
                const double weight = model.weight[q];
                const double* P = worker.P.data();
                worker.model->categoriesAt(model.theta[q], worker.P.data());
                const double* f = worker.split.run(P, [&](int i, const double* without, std::size_t width) {
                    for (int k = 0; k < K; ++k) {
                        const double share = weight * P[static_cast<std::size_t>(i) * K + k];
                        double* to = sums + (static_cast<std::size_t>(i) * K + k) * R + k;
                        for (std::size_t r = 0; r < width; ++r)
                            to[r] += share * without[r];
                    }
                });
                double* all = sums + sumSize - R;
                for (std::size_t s = 0; s < R; ++s)
                    all[s] += weight * f[s];
            }
        },
        [&](std::size_t b, std::size_t w) {
            const std::vector<double>& sums = pool[w].sums;
            for (std::size_t k = 0; k < sumSize; ++k)
                total[k] += sums[k];
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
