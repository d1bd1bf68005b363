#include "fit/ItemCodeCounts.h"

#include <algorithm>

ItemCodeCounts::ItemCodeCounts(int items, int categories)
    : items_(items),
      categories_(categories),
      subjects_(static_cast<std::size_t>(items) * (categories - 1) + 1, 0),
      counts_(subjects_.size() * items * (categories - 1), 0)
{
}

void ItemCodeCounts::addSubject(const unsigned char* categories)
{
    const std::size_t m = static_cast<std::size_t>(items_);
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

double ItemCodeCounts::MemoryFor(int items, int categories)
{
    const double totals = static_cast<double>(items) * (categories - 1) + 1;
    return totals * sizeof(std::uint64_t) + totals * items * (categories - 1) * sizeof(std::uint32_t);
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

std::uint64_t ItemCodeCounts::count(std::size_t total, int item, int category) const
{
    const std::size_t above = static_cast<std::size_t>(categories_) - 1;
    const std::uint32_t* row = counts_.data() + (total * items_ + item) * above;
    if (category > 0)
        return row[category - 1];
    std::uint64_t rest = subjects_[total];
    for (std::size_t k = 0; k < above; ++k)
        rest -= row[k];
    return rest;
}

bool ItemCodeCounts::operator==(const ItemCodeCounts& other) const
{
    return items_ == other.items_ && categories_ == other.categories_ && subjects_ == other.subjects_ &&
           counts_ == other.counts_;
}
