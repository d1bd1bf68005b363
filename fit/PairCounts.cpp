#include "fit/PairCounts.h"

#include <algorithm>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TALVER_POPCOUNT_CLONES __attribute__((target_clones("popcnt", "default")))
#else
#define TALVER_POPCOUNT_CLONES
#endif

namespace {

// Subjects gathered before their pairs are counted: kWords words of bits
// per item and category, so that each pair's count is loaded once for many.
constexpr std::size_t kWords = 8;

// joint[(k − 1)(K − 1) + l − 1] of each pair += |bits(i, k) ∩ bits(j, l)|.
TALVER_POPCOUNT_CLONES
void countPairs(const std::uint64_t* bits, std::size_t items, std::size_t above, std::uint64_t* joint)
{
    for (std::size_t i = 0; i < items; ++i)
        for (std::size_t j = i + 1; j < items; ++j)
            for (std::size_t k = 0; k < above; ++k)
                for (std::size_t l = 0; l < above; ++l) {
                    const std::uint64_t* a = bits + (i * above + k) * kWords;
                    const std::uint64_t* b = bits + (j * above + l) * kWords;
                    std::uint64_t both = 0;
                    for (std::size_t w = 0; w < kWords; ++w)
                        both += static_cast<std::uint64_t>(__builtin_popcountll(a[w] & b[w]));
                    *joint++ += both;
                }
}

}  // namespace

PairCounts::PairCounts(int items, int categories)
    : items_(items),
      categories_(categories),
      single_(static_cast<std::size_t>(items) * (categories - 1), 0),
      joint_(static_cast<std::size_t>(items) * (items - 1) / 2 * (categories - 1) * (categories - 1), 0),
      bits_(single_.size() * kWords, 0)
{
}

void PairCounts::addSubject(const unsigned char* categories)
{
    const std::size_t above = static_cast<std::size_t>(categories_) - 1, word = gathered_ / 64;
    const unsigned shift = gathered_ % 64;
    if (above == 1) {
        // Half the answers are 0: no branch to mispredict.
        std::uint64_t* to = bits_.data() + word;
        for (std::size_t i = 0; i < static_cast<std::size_t>(items_); ++i)
            to[i * kWords] |= std::uint64_t{categories[i]} << shift;
    } else {
        for (std::size_t i = 0; i < static_cast<std::size_t>(items_); ++i)
            if (categories[i] != 0)
                bits_[(i * above + categories[i] - 1) * kWords + word] |= std::uint64_t{1} << shift;
    }
    ++subjects_;
    if (++gathered_ == 64 * kWords)
        flush();
}

void PairCounts::addLowest(std::uint64_t count) { subjects_ += count; }

void PairCounts::flush()
{
    if (gathered_ == 0)
        return;
    const std::size_t above = static_cast<std::size_t>(categories_) - 1;
    for (std::size_t c = 0; c < bits_.size(); ++c)
        single_[c / kWords] += static_cast<std::uint64_t>(__builtin_popcountll(bits_[c]));
    countPairs(bits_.data(), static_cast<std::size_t>(items_), above, joint_.data());
    std::fill(bits_.begin(), bits_.end(), 0);
    gathered_ = 0;
}

void PairCounts::add(const PairCounts& other)
{
    subjects_ += other.subjects_;
    for (std::size_t c = 0; c < single_.size(); ++c)
        single_[c] += other.single_[c];
    for (std::size_t c = 0; c < joint_.size(); ++c)
        joint_[c] += other.joint_[c];
}

std::size_t PairCounts::pairIndex(int i, int j) const
{
    const std::size_t m = static_cast<std::size_t>(items_), a = static_cast<std::size_t>(i);
    return a * m - a * (a + 1) / 2 + static_cast<std::size_t>(j - i - 1);
}

std::uint64_t PairCounts::count(int i, int j, int k, int l) const
{
    if (i > j)
        return count(j, i, l, k);
    const std::size_t above = static_cast<std::size_t>(categories_) - 1;
    const std::uint64_t* joint = joint_.data() + pairIndex(i, j) * above * above;
    const auto jointOf = [&](std::size_t a, std::size_t b) { return joint[(a - 1) * above + b - 1]; };
    const auto singleOf = [&](int item, std::size_t a) {
        return single_[static_cast<std::size_t>(item) * above + a - 1];
    };
    if (k > 0 && l > 0)
        return jointOf(k, l);
    if (k > 0) {  // item j in category 0: all with item i in k, less the others
        std::uint64_t rest = singleOf(i, k);
        for (std::size_t b = 1; b <= above; ++b)
            rest -= jointOf(k, b);
        return rest;
    }
    if (l > 0) {
        std::uint64_t rest = singleOf(j, l);
        for (std::size_t a = 1; a <= above; ++a)
            rest -= jointOf(a, l);
        return rest;
    }
    // Both in category 0: all, less those with either above it, counted
    // once (unsigned arithmetic comes right in the end).
    std::uint64_t rest = subjects_;
    for (std::size_t a = 1; a <= above; ++a) {
        rest -= singleOf(i, a) + singleOf(j, a);
        for (std::size_t b = 1; b <= above; ++b)
            rest += jointOf(a, b);
    }
    return rest;
}

std::size_t PairCounts::memory() const
{
    return (single_.size() + joint_.size() + bits_.size()) * sizeof(std::uint64_t);
}

double PairCounts::MemoryFor(int items, int categories)
{
    const double m = items, above = categories - 1;
    return (m * above * (1 + kWords) + m * (m - 1) / 2 * above * above) * sizeof(std::uint64_t);
}

void PairCounts::clear()
{
    subjects_ = 0;
    gathered_ = 0;
    for (std::vector<std::uint64_t>* counts : {&single_, &joint_, &bits_})
        std::fill(counts->begin(), counts->end(), 0);
}

bool PairCounts::operator==(const PairCounts& other) const
{
    return items_ == other.items_ && categories_ == other.categories_ && subjects_ == other.subjects_ &&
           single_ == other.single_ && joint_ == other.joint_;
}
