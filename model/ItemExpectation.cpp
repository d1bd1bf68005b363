#include "model/ItemExpectation.h"

#include <algorithm>
#include <utility>

#include "kernels/VectorKernels.h"
#include "kernels/VectorPath.h"
#include "kernels/Workers.h"
#include "model/ForEachForm.h"

namespace {

// The block of nodes a task sums over, a multiple of the lanes; the
// blocks, not the threads, set the order of the sums.
constexpr std::size_t kNodesPerTask = 128 * kLanes;

// The distribution of the total without each item in turn, at eight nodes
// at once, and the shares it gives each item's categories. Binary items are
// divided out of f; polytomous ones by halving: a half's items are missing
// from the distribution of all the others, which is the parent's such
// distribution convolved with the other half's. Work m²(K − 1)² log m, all
// of it sums of products.
class LeaveOneOut {
public:
    LeaveOneOut(int items, int categories) : kernels_(ActiveKernels()), m_(items), K_(categories)
    {
        build();
        dist_.resize(distSize_ * kLanes);
        std::size_t depth = 0;
        for (const Segment& s : segments_)
            depth = std::max(depth, s.depth + 1);
        out_.assign(depth, std::vector<double>((static_cast<std::size_t>(m_) * (K_ - 1) + 1) * kLanes));
        share_.resize(2 * static_cast<std::size_t>(K_) * kLanes);
        scratch_.resize(4 * (static_cast<std::size_t>(m_) + 1) * kLanes);
    }

    // The items split into parts parts (a power of two, at most 2m / 3, so
    // that no pair left out together is split): the segments of that
    // depth, left to right.
    static std::vector<std::pair<int, int>> Parts(int m, std::size_t parts)
    {
        std::vector<std::pair<int, int>> ranges{{0, m}};
        while (ranges.size() < parts) {
            std::vector<std::pair<int, int>> halves;
            for (const auto& [lo, hi] : ranges)
                halves.insert(halves.end(), {{lo, lo + (hi - lo) / 2}, {lo + (hi - lo) / 2, hi}});
            ranges = std::move(halves);
        }
        return ranges;
    }

    // From the category probabilities P (m x K totals of eight lanes) and
    // the nodes' weights: adds weight P_ik f₋ᵢ(s − k) for the items lo … hi
    // − 1 into sums ((hi − lo) x K x R) and the weighted distribution of
    // the total into all (R). An item's sums are the same whichever part it
    // is taken in.
    void add(const double* P, const double* weight, double* sums, double* all, int lo, int hi)
    {
        lo_ = lo;
        hi_ = hi;
        for (std::size_t n = segments_.size(); n-- > 0;) {  // children before parents
            const Segment& s = segments_[n];
            double* d = dist_.data() + s.offset * kLanes;
            if (s.hi - s.lo == 1) {
                std::copy(P + static_cast<std::size_t>(s.lo) * K_ * kLanes,
                          P + static_cast<std::size_t>(s.lo + 1) * K_ * kLanes, d);
            } else {
                const Segment &l = segments_[s.left], &r = segments_[s.left + 1];
                kernels_.convolve(dist_.data() + l.offset * kLanes, width(l), dist_.data() + r.offset * kLanes,
                                  width(r), d);
            }
        }
        std::fill(out_[0].begin(), out_[0].begin() + kLanes, 1.0);
        weight_ = weight;
        P_ = P;
        sums_ = sums;
        const double* f = dist_.data() + segments_[0].offset * kLanes;
        const std::size_t R = width(segments_[0]);
        if (K_ == 2) {
            const std::size_t first = static_cast<std::size_t>(lo), count = static_cast<std::size_t>(hi - lo);
            kernels_.divideOut(f, R - 1, count, P + 2 * first * kLanes, weight, sums, scratch_.data());
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
            return sums_ + static_cast<std::size_t>(i - lo_) * R * item;
        };
        if (s.hi - s.lo == 1) {
            double* sums = shareOf(s.lo, share_.data());
            kernels_.accumulate(share_.data(), K_, out, outWidth, sums, R);
            return;
        }
        if (s.hi - s.lo == 2) {
            double* sumsI = shareOf(s.lo, share_.data());
            double* sumsJ = shareOf(s.lo + 1, share_.data() + item);
            kernels_.accumulatePair(out, outWidth, P_ + s.lo * item, P_ + (s.lo + 1) * item, share_.data(),
                           share_.data() + item, K_, sumsI, sumsJ, R);
            return;
        }
        for (std::size_t child = 0; child < 2; ++child) {
            const Segment& mine = segments_[s.left + child];
            if (mine.hi <= lo_ || mine.lo >= hi_)
                continue;  // no item of the part
            const Segment& other = segments_[s.left + 1 - child];
            kernels_.convolve(out, outWidth, dist_.data() + other.offset * kLanes, width(other),
                              out_[s.depth + 1].data());
            descend(s.left + child, outWidth + width(other) - 1);
        }
    }

    const VectorKernels& kernels_;
    int m_, K_;
    std::vector<Segment> segments_;
    std::size_t distSize_ = 0;
    std::vector<double> dist_;              // each segment's distribution
    std::vector<std::vector<double>> out_;  // by depth: the distribution without the segment
    std::vector<double> share_;
    std::vector<double> scratch_;  // binary items: upward shares where the lanes differ
    const double *weight_ = nullptr, *P_ = nullptr;
    double* sums_ = nullptr;
    int lo_ = 0, hi_ = 0;  // the part's items
};

}  // namespace

ItemExpectation::ItemExpectation(int items, int categories)
    : items_(items),
      categories_(categories),
      totals_(static_cast<std::size_t>(items) * (categories - 1) + 1),
      shares_(static_cast<std::size_t>(items) * totals_ * categories, 0.0)
{
}

namespace {

// The expectation of items (the model's or a form's) over the merged
// latent distribution. Its sums go by item, category and total, then the
// distribution's: a task's lane by lane, and all tasks' together. A task
// is a block of nodes and a part of the items, added into the total in
// task order; items are parted so that the workers' sums take the same
// memory on any number of threads.
class ExpectationSums {
public:
    ExpectationSums(const FitModel& model, const ItemParameters& items, const std::vector<double>& theta,
                    const std::vector<double>& weight, int threads, double scratch)
        : theta_(theta),
          weight_(weight),
          m_(items.itemCount),
          K_(items.categoryCount),
          R_(static_cast<std::size_t>(m_) * (K_ - 1) + 1),
          nodes_(theta.size()),
          sumSize_((static_cast<std::size_t>(m_) * K_ + 1) * R_),
          blocks_((nodes_ + kNodesPerTask - 1) / kNodesPerTask)
    {
        // Parts never split a pair of items that are left out together.
        std::size_t mostParts = 1;
        while (3 * mostParts <= static_cast<std::size_t>(m_))
            mostParts *= 2;
        const ScratchShare share =
            ShareScratch(static_cast<double>(sumSize_) * kLanes * sizeof(double), blocks_, mostParts, threads, scratch);
        parts_ = LeaveOneOut::Parts(m_, share.parts);
        int partItems = 0;
        for (const auto& [lo, hi] : parts_)
            partItems = std::max(partItems, hi - lo);
        const std::size_t partSize = (static_cast<std::size_t>(partItems) * K_ + 1) * R_;
        for (std::size_t w = 0; w < share.workers; ++w)
            pool_.push_back({model.makeModel(items), LeaveOneOut(m_, K_),
                             std::vector<double>(static_cast<std::size_t>(m_) * K_),
                             std::vector<double>(static_cast<std::size_t>(m_) * K_ * kLanes),
                             std::vector<double>(kLanes), std::vector<double>(partSize * kLanes)});
        total_.assign(sumSize_, 0.0);
    }

    // False when progress said stop.
    bool run(const std::function<bool(double)>& progress)
    {
        const std::size_t tasks = blocks_ * parts_.size();
        bool stopped = false;
        RunInOrder(
            tasks, pool_.size(), [&](std::size_t t, std::size_t w) { compute(t, pool_[w]); },
            [&](std::size_t t, std::size_t w) {
                combine(t, pool_[w]);
                stopped = progress && !progress(static_cast<double>(t + 1) / static_cast<double>(tasks));
                return !stopped;
            });
        return !stopped;
    }

    // Each share: the item's sum over the distribution's, 0 where that is 0.
    void divide(std::vector<double>& shares) const
    {
        const double* all = total_.data() + sumSize_ - R_;
        for (int i = 0; i < m_; ++i)
            for (std::size_t s = 0; s < R_; ++s)
                for (int k = 0; k < K_; ++k)
                    if (all[s] > 0.0)
                        shares[(static_cast<std::size_t>(i) * R_ + s) * K_ + k] =
                            total_[(static_cast<std::size_t>(i) * K_ + k) * R_ + s] / all[s];
    }

private:
    struct Worker {
        std::unique_ptr<ItemModel> model;
        LeaveOneOut split;
        std::vector<double> node, P, weight, sums;
    };

    // The sums of a part's items, then of the distribution, lane by lane.
    std::size_t usedSums(int lo, int hi) const { return (static_cast<std::size_t>(hi - lo) * K_ + 1) * R_ * kLanes; }

    void compute(std::size_t t, Worker& worker)
    {
        const std::size_t b = t / parts_.size();
        const auto [lo, hi] = parts_[t % parts_.size()];
        const std::size_t used = usedSums(lo, hi);
        std::fill(worker.sums.begin(), worker.sums.begin() + used, 0.0);
        const std::size_t end = std::min(nodes_, (b + 1) * kNodesPerTask);
        for (std::size_t first = b * kNodesPerTask; first < end; first += kLanes) {
            loadLanes(first, end, worker);
            worker.split.add(worker.P.data(), worker.weight.data(), worker.sums.data(),
                             worker.sums.data() + used - R_ * kLanes, lo, hi);
        }
    }

    // The category probabilities and weights of the nodes from first, one
    // a lane; lanes past the last node weigh nothing.
    void loadLanes(std::size_t first, std::size_t end, Worker& worker) const
    {
        for (std::size_t l = 0; l < kLanes; ++l) {
            const std::size_t q = std::min(first + l, end - 1);
            worker.weight[l] = first + l < end ? weight_[q] : 0.0;
            worker.model->categoriesAt(theta_[q], worker.node.data());
            for (std::size_t c = 0; c < worker.node.size(); ++c)
                worker.P[c * kLanes + l] = worker.node[c];
        }
    }

    void combine(std::size_t t, const Worker& worker)
    {
        const auto [lo, hi] = parts_[t % parts_.size()];
        const std::size_t items = static_cast<std::size_t>(hi - lo) * K_ * R_;
        addLanes(worker.sums, 0, static_cast<std::size_t>(lo) * K_ * R_, items);
        if (t % parts_.size() == 0)  // the distribution, once a block
            addLanes(worker.sums, items, sumSize_ - R_, R_);
    }

    // Adds count sums from from, their lanes summed, into the total from to.
    void addLanes(const std::vector<double>& sums, std::size_t from, std::size_t to, std::size_t count)
    {
        for (std::size_t k = 0; k < count; ++k) {
            double lanes = 0.0;
            for (std::size_t l = 0; l < kLanes; ++l)
                lanes += sums[(from + k) * kLanes + l];
            total_[to + k] += lanes;
        }
    }

    const std::vector<double>& theta_;
    const std::vector<double>& weight_;
    const int m_, K_;
    const std::size_t R_, nodes_, sumSize_, blocks_;
    std::vector<std::pair<int, int>> parts_;
    std::vector<Worker> pool_;
    std::vector<double> total_;
};

// The expectation of items into shares; false when progress said stop.
bool expect(const FitModel& model, const ItemParameters& items, const std::vector<double>& theta,
            const std::vector<double>& weight, int threads, const std::function<bool(double)>& progress,
            double scratch, std::vector<double>& shares)
{
    if (items.itemCount <= 0 || items.categoryCount < 1)
        return true;
    ExpectationSums sums(model, items, theta, weight, threads, scratch);
    if (!sums.run(progress))
        return false;
    sums.divide(shares);
    return true;
}

}  // namespace

bool ExpectItemCategories(const FitModel& model, ItemExpectation& expectation, int threads,
                          const std::function<bool(double)>& progress, double scratch)
{
    ItemExpectation result(model.items.itemCount, model.items.categoryCount);
    std::vector<double> theta, weight;
    model.mergedLatent(theta, weight);
    if (!expect(model, model.items, theta, weight, threads, progress, scratch, result.shares_))
        return false;
    expectation = std::move(result);
    return true;
}

bool ExpectFormCategories(const FitModel& model, const AnswerForms& forms, int threads,
                          const std::function<void(std::size_t, const ItemExpectation&)>& use,
                          const std::function<bool(double)>& progress)
{
    std::vector<double> theta, weight;
    model.mergedLatent(theta, weight);
    const double count = static_cast<double>(forms.forms().size());
    return ForEachForm<ItemExpectation>(
        model.items, forms, threads,
        [&](std::size_t, const ItemParameters& items, int each, ItemExpectation& expectation) {
            expectation = ItemExpectation(items.itemCount, model.items.categoryCount);
            expect(model, items, theta, weight, each, {}, 0, expectation.shares_);
        },
        [&](std::size_t f, const ItemExpectation& expectation) {
            use(f, expectation);
            return !progress || progress(static_cast<double>(f + 1) / count);
        });
}

bool ExpectFormCategories(const FitModel& model, const AnswerForms& forms, std::vector<ItemExpectation>& expectation,
                          int threads, const std::function<bool(double)>& progress)
{
    std::vector<ItemExpectation> result(forms.forms().size());
    if (!ExpectFormCategories(
            model, forms, threads, [&](std::size_t f, const ItemExpectation& form) { result[f] = form; }, progress))
        return false;
    expectation = std::move(result);
    return true;
}
