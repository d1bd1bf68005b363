#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Categories are counted in a byte each.
constexpr int kMostCountedCategories = 256;

// The subjects of a run by total and by the category of each item: the
// observed side of the summed-score item fit. A subject's categories are
// its codes less the model's lowest code, 0 … K − 1, and its total is
// their sum, 0 … m(K − 1). Subjects with a code outside the model's range
// have no place here.
class ItemCodeCounts {
public:
    ItemCodeCounts() = default;
    ItemCodeCounts(int items, int categories);

    int items() const { return items_; }
    int categories() const { return categories_; }
    std::size_t totals() const { return subjects_.size(); }
    std::size_t memory() const { return subjects_.size() * sizeof(std::uint64_t) + counts_.size() * sizeof(std::uint32_t); }
    // What memory() would be, in bytes, without making the counts.
    static double MemoryFor(int items, int categories);
    void clear();  // as newly made

    // One subject, every category below categories().
    void addSubject(const unsigned char* categories);
    // count subjects whose every category is 0.
    void addLowest(std::uint64_t count) { subjects_[0] += count; }
    void add(const ItemCodeCounts& other);

    std::uint64_t subjectCount() const;  // over every total
    // Subjects with the total.
    std::uint64_t subjects(std::size_t total) const { return subjects_[total]; }
    // Of those, the ones that gave item the category (0 … K − 1).
    std::uint64_t count(std::size_t total, int item, int category) const;

    bool operator==(const ItemCodeCounts& other) const;

private:
    int items_ = 0, categories_ = 0;
    std::vector<std::uint64_t> subjects_;  // by total
    // By total, then item, then category from 1: category 0 is the rest.
    std::vector<std::uint32_t> counts_;
};
