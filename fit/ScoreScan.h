#pragma once

#include <cstdint>
#include <vector>

#include "fit/AnswerForms.h"
#include "fit/ItemCodeCounts.h"
#include "fit/MissingCodes.h"
#include "fit/PairCounts.h"

// The score counter's two passes over a part of a file of simple numbers,
// piece by piece: the state each carries from one piece to the next and
// what it finds. The scans themselves are vector kernels (VectorKernels.h).

inline bool IsScoreSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsScoreDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Where the counts by category take each subject: the forms every one
// that answered something, the items and pairs those whose codes are all
// in range.
struct CategorySinks {
    ItemCodeCounts* items = nullptr;
    PairCounts* pairs = nullptr;
    AnswerForms* forms = nullptr;  // with answers missing

    explicit operator bool() const { return items || pairs || forms; }
    void add(const unsigned char* categories, bool outside, bool answered) const
    {
        if (forms)
            forms->addSubject(categories, outside);
        if (outside || !answered)
            return;
        if (items)
            items->addSubject(categories);
        if (pairs)
            pairs->addSubject(categories);
    }
    // count subjects whose every code is 0, as the file gives those it
    // holds no scores for.
    void addZeros(std::uint64_t count, const std::vector<unsigned char>& zeros, bool outside, bool answered) const
    {
        if (forms)
            forms->addSubject(zeros.data(), outside, count);
        if (outside || !answered)
            return;
        if (items)
            items->addLowest(count);
        if (pairs)
            pairs->addLowest(count);
    }
};

// The sinks of a count: those it was given the sizes of.
template <typename Count>
CategorySinks SinksOf(Count& count)
{
    return {count.byItem.items() > 0 ? &count.byItem : nullptr, count.pairs.items() > 0 ? &count.pairs : nullptr,
            count.forms.active() ? &count.forms : nullptr};
}

// What the code 0 stands for, as the reading rules give it to the scores
// past a file's end: a category, outside the range, or no answer.
struct ZeroCode {
    ZeroCode(int items, std::int32_t lowest, std::int32_t highest, const MissingCodes& missing)
        : answered(!missing.contains(0)),
          outside(answered && (lowest > 0 || highest < 0)),
          categories(static_cast<std::size_t>(items), answered ? 0 : kNotAnswered)
    {
    }
    bool answered, outside;
    std::vector<unsigned char> categories;  // a subject of nothing but 0
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
    int answered = 0;

    // The same subject, continued by the next part's numbers.
    void join(const SubjectUnderWay& more)
    {
        sum += more.sum;
        categories.insert(categories.end(), more.categories.begin(), more.categories.end());
        outside = outside || more.outside;
        answered += more.answered;
    }
};

// Second pass: the subjects whose numbers the part holds, from the place of
// its first number in the file. The subjects it completes go to histogram
// and sinks; the one under way at either end is kept for the caller to
// stitch to its neighbours. A subject who answered nothing (every code a
// missing one) counts in no row.
struct SubjectScan {
    SubjectScan(std::int64_t firstNumber, std::int64_t lastNumber, int items, std::int32_t lowest,
                std::int32_t highest, const MissingCodes& missing, std::int64_t firstScore,
                std::vector<std::int64_t>& histogram, const CategorySinks& sinks)
        : g(firstNumber),
          lastNumber(lastNumber),
          items(items),
          lowest(lowest),
          highest(highest),
          missing(missing),
          anyMissing(!missing.empty()),
          missingDigits(digitsOf(missing)),
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
        const bool absent = anyMissing && missing.contains(number);
        const bool beyond = !absent && (number < lowest || number > highest);
        suspect = suspect || beyond;
        if (sinks) {
            outside = outside || beyond;
            categories[item] = absent ? kNotAnswered : static_cast<unsigned char>(beyond ? 0 : number - lowest);
        }
        if (!absent) {
            total += number;
            ++answered;
        }
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
            if (answered > 0 && row >= 0 && row < static_cast<std::int64_t>(histogram.size()))
                ++histogram[static_cast<std::size_t>(row)];
            if (sinks)
                sinks.add(categories.data(), outside, answered > 0);
        }
        item = 0;
        total = 0;
        answered = 0;
        outside = false;
    }

    static unsigned digitsOf(const MissingCodes& missing)
    {
        unsigned digits = 0;
        for (const std::int32_t code : missing.codes())
            if (code >= 0 && code <= 9)
                digits |= 1u << code;
        return digits;
    }

    // With missing digits: of the count categories a block stored from
    // item from on (digit − lowest each), those of a missing digit become
    // kNotAnswered and the rest are answers, in range or not. Returns the
    // sum of the missing digits, which the block's sum holds.
    int dropMissing(int from, int count)
    {
        int dropped = 0;
        for (unsigned char *c = categories.data() + from, *end = c + count; c != end; ++c) {
            const int digit = static_cast<unsigned char>(*c + lowest);
            if (missingDigits >> digit & 1u) {
                *c = kNotAnswered;
                dropped += digit;
                continue;
            }
            ++answered;
            if (digit < lowest || digit > highest) {
                outside = suspect = true;
                *c = 0;
            }
        }
        return dropped;
    }

    // The subject under way from its item from on.
    SubjectUnderWay underWay(int from) const
    {
        SubjectUnderWay subject{total, {}, outside, answered};
        if (sinks)
            subject.categories.assign(categories.begin() + from, categories.begin() + item);
        return subject;
    }

    std::int64_t g;  // the next number's place in the file
    const std::int64_t lastNumber;  // numbers from here on are not taken
    const int items;
    const std::int32_t lowest, highest;
    const MissingCodes& missing;
    const bool anyMissing;
    const unsigned missingDigits;  // bit d: the code d is a missing one
    const std::int64_t firstScore;
    std::vector<std::int64_t>& histogram;
    const CategorySinks sinks;
    std::vector<unsigned char> categories;  // of the subject under way, with sinks

    int item;
    const int firstItem;
    bool head;  // the part began inside a subject, not yet complete
    std::int64_t total = 0, value = 0;
    int answered = 0;  // by the subject under way
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
