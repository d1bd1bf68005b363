#include "counts/PairCounts.h"

#include "counts/ItemCodeCounts.h"

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

PairCounts::PairCounts(int items, int categories, bool answersMissing)
    : items_(items),
      categories_(categories),
      answersMissing_(answersMissing),
      single_(static_cast<std::size_t>(items) * slotCount(), 0),
      joint_(static_cast<std::size_t>(items) * (items - 1) / 2 * slotCount() * slotCount(), 0),
      bits_(single_.size() * kWords, 0)
{
}

void PairCounts::addSubject(const unsigned char* categories)
{
    const std::size_t above = static_cast<std::size_t>(categories_) - 1, word = gathered_ / 64;
    const unsigned shift = gathered_ % 64;
    if (answersMissing_) {
        const std::size_t K = above + 1;
        for (std::size_t i = 0; i < static_cast<std::size_t>(items_); ++i)
            if (categories[i] != kNotAnswered) {
                bits_[i * K * kWords + word] |= std::uint64_t{1} << shift;
                if (categories[i] != 0)
                    bits_[(i * K + categories[i]) * kWords + word] |= std::uint64_t{1} << shift;
            }
    } else if (above == 1) {
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

void PairCounts::addLowest(std::uint64_t count)
{
    subjects_ += count;
    if (!answersMissing_)
        return;
    const std::size_t slots2 = slotCount() * slotCount();
    for (std::size_t i = 0; i < static_cast<std::size_t>(items_); ++i)
        single_[i * slotCount()] += count;
    for (std::size_t pair = 0; pair < joint_.size() / slots2; ++pair)
        joint_[pair * slots2] += count;
}

void PairCounts::flush()
{
    if (gathered_ == 0)
        return;
    for (std::size_t c = 0; c < bits_.size(); ++c)
        single_[c / kWords] += static_cast<std::uint64_t>(__builtin_popcountll(bits_[c]));
    countPairs(bits_.data(), static_cast<std::size_t>(items_), slotCount(), joint_.data());
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

std::uint64_t PairCounts::joint(int i, int j, std::size_t k, std::size_t l) const
{
    const std::size_t width = this->slotCount();
    if (answersMissing_)
        return joint_[pairIndex(i, j) * width * width + k * width + l];
    const auto single = [&](int item, std::size_t a) { return single_[static_cast<std::size_t>(item) * width + a - 1]; };
    if (k == 0 && l == 0)
        return subjects_;
    if (l == 0)
        return single(i, k);
    if (k == 0)
        return single(j, l);
    return joint_[pairIndex(i, j) * width * width + (k - 1) * width + l - 1];
}

std::uint64_t PairCounts::count(int i, int j, int k, int l) const
{
    if (i > j)
        return count(j, i, l, k);
    const std::size_t K = static_cast<std::size_t>(categories_), a = static_cast<std::size_t>(k),
                      b = static_cast<std::size_t>(l);
    // Category 0 is all that answered, less the other categories; with
    // both in it, those with either above it are taken off once
    // (unsigned arithmetic comes right in the end).
    if (a > 0 && b > 0)
        return joint(i, j, a, b);
    std::uint64_t rest = joint(i, j, a, b);
    if (a > 0 || b > 0) {
        for (std::size_t c = 1; c < K; ++c)
            rest -= a > 0 ? joint(i, j, a, c) : joint(i, j, c, b);
        return rest;
    }
    for (std::size_t c = 1; c < K; ++c) {
        rest -= joint(i, j, c, 0) + joint(i, j, 0, c);
        for (std::size_t d = 1; d < K; ++d)
            rest += joint(i, j, c, d);
    }
    return rest;
}

std::size_t PairCounts::memory() const
{
    return (single_.size() + joint_.size() + bits_.size()) * sizeof(std::uint64_t);
}

double PairCounts::MemoryFor(int items, int categories, bool answersMissing)
{
    const double m = items, above = categories - (answersMissing ? 0 : 1);
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
    return items_ == other.items_ && categories_ == other.categories_ && answersMissing_ == other.answersMissing_ &&
           subjects_ == other.subjects_ &&
           single_ == other.single_ && joint_ == other.joint_;
}
