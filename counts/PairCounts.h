#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The subjects of a run by the categories of every pair of items: the
// observed side of the local dependence statistic. Categories are codes
// less the model's lowest code, 0 … K − 1; subjects come as in
// ItemCodeCounts. They are gathered 512 at a time as bit sets, one per item
// and category above 0, and a pair's joint counts are population counts of
// their intersections.
//
// With answersMissing, a subject's categories may say kNotAnswered
// (ItemCodeCounts.h), and a pair counts only the subjects who answered
// both of its items: one more bit set per item, for the answer itself.
class PairCounts {
public:
    PairCounts() = default;
    PairCounts(int items, int categories, bool answersMissing = false);

    int items() const { return items_; }
    int categories() const { return categories_; }

    // One subject, every category below categories().
    void addSubject(const unsigned char* categories);
    // count subjects whose every category is 0.
    void addLowest(std::uint64_t count);
    // Counts the subjects gathered so far; the counts below are only
    // complete after it.
    void flush();
    void add(const PairCounts& other);  // both flushed

    bool answersMissing() const { return answersMissing_; }
    std::uint64_t subjects() const { return subjects_; }
    // Subjects who answered both items i ≠ j.
    std::uint64_t both(int i, int j) const { return joint(i, j, 0, 0); }
    // Subjects who gave item i category k and item j category l (i ≠ j).
    std::uint64_t count(int i, int j, int k, int l) const;

    std::size_t memory() const;
    // What memory() would be, in bytes, without making the counts.
    static double MemoryFor(int items, int categories, bool answersMissing = false);
    void clear();  // as newly made
    bool operator==(const PairCounts& other) const;

private:
    std::size_t pairIndex(int i, int j) const;  // i < j
    std::size_t slotCount() const { return static_cast<std::size_t>(categories_) - (answersMissing_ ? 0 : 1); }
    // Subjects with item i in category k and j in l (i < j), where
    // category 0 stands for any answer.
    std::uint64_t joint(int i, int j, std::size_t k, std::size_t l) const;

    int items_ = 0, categories_ = 0;
    bool answersMissing_ = false;
    std::uint64_t subjects_ = 0;
    // By item, then category from 1; by pair (i < j), then category of i
    // from 1, then of j from 1. With answers missing, the slots start at
    // the answer, category 0.
    std::vector<std::uint64_t> single_;
    std::vector<std::uint64_t> joint_;
    // The subjects gathered: by item and category from 1, one bit each.
    std::vector<std::uint64_t> bits_;
    unsigned gathered_ = 0;
};
