#include "counts/ItemCodeCounts.h"

#include <algorithm>

ItemCodeCounts::ItemCodeCounts(int items, int categories, bool answersMissing)
    : items_(items),
      categories_(categories),
      answersMissing_(answersMissing),
      subjects_(static_cast<std::size_t>(items) * (categories - 1) + (answersMissing ? 2 : 1), 0),
      counts_(subjects_.size() * items * slotCount(), 0)
{
}

void ItemCodeCounts::addSubject(const unsigned char* categories)
{
    const std::size_t m = static_cast<std::size_t>(items_);
    if (answersMissing_) {
        std::size_t total = 0, answered = 0;
        for (std::size_t i = 0; i < m; ++i)
            if (categories[i] != kNotAnswered) {
                total += categories[i];
                ++answered;
            }
        const std::size_t top = answered * (static_cast<std::size_t>(categories_) - 1);
        if (total == top && total > 0 && answered < m)
            total = subjects_.size() - 1;
        ++subjects_[total];
        const std::size_t K = static_cast<std::size_t>(categories_);
        std::uint32_t* row = counts_.data() + total * m * K;
        for (std::size_t i = 0; i < m; ++i)
            if (categories[i] != kNotAnswered) {
                ++row[i * K];
                if (categories[i] != 0)
                    ++row[i * K + categories[i]];
            }
        return;
    }
    std::size_t total = 0;
    for (std::size_t i = 0; i < m; ++i)
        total += categories[i];
    ++subjects_[total];
    if (categories_ == 2) {
        // A row of ones and zeros: an add the compiler puts in vectors.
        std::uint32_t* row = counts_.data() + total * m;
        for (std::size_t i = 0; i < m; ++i)
            row[i] += categories[i];
        return;
    }
    const std::size_t above = static_cast<std::size_t>(categories_) - 1;
    std::uint32_t* row = counts_.data() + total * m * above;
    for (std::size_t i = 0; i < m; ++i)
        if (categories[i] != 0)
            ++row[i * above + categories[i] - 1];
}

double ItemCodeCounts::MemoryFor(int items, int categories, bool answersMissing)
{
    const double totals = static_cast<double>(items) * (categories - 1) + (answersMissing ? 2 : 1);
    const double slots = categories - (answersMissing ? 0 : 1);
    return totals * sizeof(std::uint64_t) + totals * items * slots * sizeof(std::uint32_t);
}

void ItemCodeCounts::addLowest(std::uint64_t count)
{
    subjects_[0] += count;
    if (answersMissing_)
        for (std::size_t i = 0; i < static_cast<std::size_t>(items_); ++i)
            counts_[i * slotCount()] += static_cast<std::uint32_t>(count);
}

void ItemCodeCounts::clear()
{
    std::fill(subjects_.begin(), subjects_.end(), 0);
    std::fill(counts_.begin(), counts_.end(), 0);
}

std::uint64_t ItemCodeCounts::subjectCount() const
{
    std::uint64_t sum = 0;
    for (const std::uint64_t count : subjects_)
        sum += count;
    return sum;
}

void ItemCodeCounts::add(const ItemCodeCounts& other)
{
    for (std::size_t k = 0; k < subjects_.size(); ++k)
        subjects_[k] += other.subjects_[k];
    for (std::size_t k = 0; k < counts_.size(); ++k)
        counts_[k] += other.counts_[k];
}

std::uint64_t ItemCodeCounts::answered(std::size_t total, int item) const
{
    return answersMissing_ ? counts_[(total * items_ + item) * slotCount()] : subjects_[total];
}

std::uint64_t ItemCodeCounts::count(std::size_t total, int item, int category) const
{
    // Category k in slot k − 1, or k when slot 0 counts the answers.
    const std::uint32_t* row = counts_.data() + (total * items_ + item) * slotCount();
    const std::size_t shift = answersMissing_ ? 0 : 1;
    if (category > 0)
        return row[static_cast<std::size_t>(category) - shift];
    std::uint64_t rest = answered(total, item);
    for (std::size_t k = 1; k < static_cast<std::size_t>(categories_); ++k)
        rest -= row[k - shift];
    return rest;
}

bool ItemCodeCounts::operator==(const ItemCodeCounts& other) const
{
    return items_ == other.items_ && categories_ == other.categories_ && answersMissing_ == other.answersMissing_ &&
           subjects_ == other.subjects_ &&
           counts_ == other.counts_;
}
