#pragma once

#include <cstdint>
#include <vector>

#include "fit/ItemCodeCounts.h"
#include "fit/PairCounts.h"

// The score counter's two passes over a part of a file of simple numbers,
// piece by piece: the state each carries from one piece to the next and
// what it finds. The scans themselves are vector kernels (VectorKernels.h).

inline bool IsScoreSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsScoreDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Where the counts by category take each subject whose codes are all in
// range.
struct CategorySinks {
    ItemCodeCounts* items = nullptr;
    PairCounts* pairs = nullptr;

    explicit operator bool() const { return items || pairs; }
    void add(const unsigned char* categories) const
    {
        if (items)
            items->addSubject(categories);
        if (pairs)
            pairs->addSubject(categories);
    }
    void addLowest(std::uint64_t count) const
    {
        if (items)
            items->addLowest(count);
        if (pairs)
            pairs->addLowest(count);
    }
};

// First pass: how many numbers, and whether all are simple (at most nine
// digits, no leading zero: what the second pass and the reader agree on).
struct NumberScan {
    std::int64_t numbers = 0;
    bool simple = true;
    unsigned char before = ' ';  // the byte before the piece
    int digits = 0;              // of the number under way
};

// A subject whose numbers run across the end of a part: what its numbers
// there add to, their categories (with sinks), and whether one of its codes
// is outside the range.
struct SubjectUnderWay {
    std::int64_t sum = 0;
    std::vector<unsigned char> categories;
    bool outside = false;

    // The same subject, continued by the next part's numbers.
    void join(const SubjectUnderWay& more)
    {
        sum += more.sum;
        categories.insert(categories.end(), more.categories.begin(), more.categories.end());
        outside = outside || more.outside;
    }
};

// Second pass: the subjects whose numbers the part holds, from the place of
// its first number in the file. The subjects it completes go to histogram
// and sinks; the one under way at either end is kept for the caller to
// stitch to its neighbours.
struct SubjectScan {
    SubjectScan(std::int64_t firstNumber, std::int64_t lastNumber, int items, std::int32_t lowest,
                std::int32_t highest, std::int64_t firstScore, std::vector<std::int64_t>& histogram,
                const CategorySinks& sinks)
        : g(firstNumber),
          lastNumber(lastNumber),
          items(items),
          lowest(lowest),
          highest(highest),
          firstScore(firstScore),
          histogram(histogram),
          sinks(sinks),
          categories(sinks ? items : 0),
          item(static_cast<int>(firstNumber % items)),
          firstItem(item),
          head(item != 0)
    {
    }

    // The number at g.
    void take(std::int64_t number)
    {
        if (g >= lastNumber)
            return;
        const bool beyond = number < lowest || number > highest;
        suspect = suspect || beyond;
        if (sinks) {
            outside = outside || beyond;
            categories[item] = static_cast<unsigned char>(beyond ? 0 : number - lowest);
        }
        total += number;
        ++g;
        if (++item == items)
            complete();
    }

    void complete()
    {
        if (head) {
            headPart = underWay(firstItem);
            headCompletes = true;
            head = false;
        } else {
            const std::int64_t row = total - firstScore;
            if (row >= 0 && row < static_cast<std::int64_t>(histogram.size()))
                ++histogram[static_cast<std::size_t>(row)];
            if (sinks && !outside)
                sinks.add(categories.data());
        }
        item = 0;
        total = 0;
        outside = false;
    }

    // The subject under way from its item from on.
    SubjectUnderWay underWay(int from) const
    {
        SubjectUnderWay subject{total, {}, outside};
        if (sinks)
            subject.categories.assign(categories.begin() + from, categories.begin() + item);
        return subject;
    }

    std::int64_t g;  // the next number's place in the file
    const std::int64_t lastNumber;  // numbers from here on are not taken
    const int items;
    const std::int32_t lowest, highest;
    const std::int64_t firstScore;
    std::vector<std::int64_t>& histogram;
    const CategorySinks sinks;
    std::vector<unsigned char> categories;  // of the subject under way, with sinks

    int item;
    const int firstItem;
    bool head;  // the part began inside a subject, not yet complete
    std::int64_t total = 0, value = 0;
    bool inNumber = false;
    bool outside = false;  // a code of the subject under way is
    // A number outside lowest … highest was seen; the blocks note only their
    // smallest and largest digit characters, to be weighed at the end.
    bool suspect = false;
    unsigned char leastDigit = 0xFF, mostDigit = 0;

    // The subject the part began inside of, once complete.
    SubjectUnderWay headPart;
    bool headCompletes = false;
};
