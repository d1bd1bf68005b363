#pragma once

#include <cstdint>
#include <vector>

#include "input/SubjectRule.h"

// The score counter's two passes over a part of a file of simple numbers,
// piece by piece: the state each carries from one piece to the next and
// what it finds. The scans themselves are vector kernels (ScanKernels.h).

inline bool IsScoreSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsScoreDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// First pass: how many numbers, and whether all are simple (at most nine
// digits, no leading zero: what the second pass and the reader agree on).
struct NumberScan {
    std::int64_t numbers = 0;
    bool simple = true;
    unsigned char before = ' ';  // the byte before the piece
    int digits = 0;              // of the number under way
};

// A subject whose numbers run across the end of a part: what its numbers
// there add up to, and their categories (with sinks).
struct SubjectUnderWay {
    SubjectTotal subject;
    std::vector<unsigned char> categories;

    // The same subject, continued by the next part's numbers.
    void join(const SubjectUnderWay& more)
    {
        subject.total += more.subject.total;
        subject.answered += more.subject.answered;
        subject.outside = subject.outside || more.subject.outside;
        categories.insert(categories.end(), more.categories.begin(), more.categories.end());
    }
};

// Second pass: the subjects whose numbers the part holds, from the place of
// its first number in the file. The subjects it completes go to histogram
// and sinks; the one under way at either end is kept for the caller to
// stitch to its neighbours.
struct SubjectScan {
    SubjectScan(std::int64_t firstNumber, std::int64_t lastNumber, int items, const CodeRule& rule,
                std::int64_t firstScore, std::vector<std::int64_t>& histogram, const CategorySinks& sinks)
        : g(firstNumber),
          lastNumber(lastNumber),
          items(items),
          rule(rule),
          lowest(rule.lowest()),
          highest(rule.highest()),
          missingDigits(digitsOf(rule.missing())),
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
        const CodeMeaning meaning = rule.of(number);
        const bool beyond = meaning == CodeMeaning::Outside;
        suspect = suspect || beyond;
        if (sinks) {
            outside = outside || beyond;
            categories[item] = rule.category(number, meaning);
        }
        if (meaning != CodeMeaning::Missing) {
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
            CountSubject(SubjectTotal{total, answered, outside}, items, firstScore, histogram, sinks, categories.data());
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
        SubjectUnderWay subject{SubjectTotal{total, answered, outside}, {}};
        if (sinks)
            subject.categories.assign(categories.begin() + from, categories.begin() + item);
        return subject;
    }

    std::int64_t g;  // the next number's place in the file
    const std::int64_t lastNumber;  // numbers from here on are not taken
    const int items;
    const CodeRule rule;
    const std::int32_t lowest, highest;  // the rule's, for the blocks
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
