#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Categories are counted in a byte each; with answers missing, this byte
// marks an item not answered, and one category fewer can be counted.
constexpr int kMostCountedCategories = 256;
constexpr unsigned char kNotAnswered = 0xFF;
// Whether the subjects can be counted by an item's categories: one byte
// holds each category, and with answers missing the mark of none too.
inline bool CountableCategories(int categories, bool answersMissing)
{
    return categories >= 1 && categories <= kMostCountedCategories - (answersMissing ? 1 : 0);
}

// The subjects of a run by total and by the category of each item: the
// observed side of the summed-score item fit. A subject's categories are
// its codes less the model's lowest code, 0 … K − 1, and its total is
// their sum, 0 … m(K − 1). Subjects with a code outside the model's range
// have no place here.
//
// With answersMissing, a subject's categories may say kNotAnswered; its
// total is that of the items it answered, and each item counts only the
// subjects who answered it. A subject at the top of its own form (every
// answer in the highest category, not every item answered) is kept apart,
// in the row after the last total: it belongs to no score group.
class ItemCodeCounts {
public:
    ItemCodeCounts() = default;
    ItemCodeCounts(int items, int categories, bool answersMissing = false);

    int items() const { return items_; }
    int categories() const { return categories_; }
    bool answersMissing() const { return answersMissing_; }
    // Totals 0 … m(K − 1), and with answers missing the row set apart.
    std::size_t totals() const { return subjects_.size(); }
    std::size_t memory() const { return subjects_.size() * sizeof(std::uint64_t) + counts_.size() * sizeof(std::uint32_t); }
    // What memory() would be, in bytes, without making the counts.
    static double MemoryFor(int items, int categories, bool answersMissing = false);
    void clear();  // as newly made

    // One subject, every category below categories().
    void addSubject(const unsigned char* categories);
    // count subjects whose every category is 0.
    void addLowest(std::uint64_t count);
    void add(const ItemCodeCounts& other);

    std::uint64_t subjectCount() const;  // over every total
    // Subjects with the total.
    std::uint64_t subjects(std::size_t total) const { return subjects_[total]; }
    // Of those, the ones who answered item, and who gave it the category
    // (0 … K − 1).
    std::uint64_t answered(std::size_t total, int item) const;
    std::uint64_t count(std::size_t total, int item, int category) const;

    bool operator==(const ItemCodeCounts& other) const;

private:
    std::size_t slotCount() const { return static_cast<std::size_t>(categories_) - (answersMissing_ ? 0 : 1); }

    int items_ = 0, categories_ = 0;
    bool answersMissing_ = false;
    std::vector<std::uint64_t> subjects_;  // by total
    // By total, then item, then category from 1: category 0 is the rest.
    // With answers missing, slot 0 of each item counts those who answered.
    std::vector<std::uint32_t> counts_;
};
