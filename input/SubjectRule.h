#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "counts/AnswerForms.h"
#include "counts/ItemCodeCounts.h"
#include "counts/MissingCodes.h"
#include "counts/PairCounts.h"

// What a subject's codes mean, once for every reader of scores: the
// numbers read one by one, the same numbers read in parts side by side,
// and the tables.

// What one code is: no answer (a missing code), an answer within the
// model's codes, or an answer outside them.
enum class CodeMeaning { Missing, Answer, Outside };

class CodeRule {
public:
    CodeRule(std::int32_t lowest, std::int32_t highest, const MissingCodes& missing)
        : lowest_(lowest),
          highest_(highest),
          missing_(missing),
          firstMissing_(missing.codes().data()),
          endMissing_(missing.codes().data() + missing.codes().size())
    {
    }

    CodeMeaning of(std::int64_t code) const
    {
        // The codes themselves, not the set's, so that a reader's loop keeps
        // them in registers.
        for (const std::int32_t* c = firstMissing_; c != endMissing_; ++c)
            if (*c == code)
                return CodeMeaning::Missing;
        return code < lowest_ || code > highest_ ? CodeMeaning::Outside : CodeMeaning::Answer;
    }
    // What the counts by category hold for it: code − lowest for an
    // answer; 0 for one outside, whose subject they do not count.
    unsigned char category(std::int64_t code, CodeMeaning meaning) const
    {
        return meaning == CodeMeaning::Missing   ? kNotAnswered
               : meaning == CodeMeaning::Outside ? 0
                                                 : static_cast<unsigned char>(code - lowest_);
    }

    std::int32_t lowest() const { return lowest_; }
    std::int32_t highest() const { return highest_; }
    const MissingCodes& missing() const { return missing_; }

private:
    std::int32_t lowest_, highest_;
    const MissingCodes& missing_;
    const std::int32_t *firstMissing_, *endMissing_;
};

// A subject complete: what its answered codes add up to, how many it
// answered of how many items, and whether one is outside the range. One
// that has items and answered none of them counts in no row; a subject of
// a test without items totals 0, as the model expects of every one.
struct SubjectTotal {
    std::int64_t total = 0;
    int answered = 0;
    bool outside = false;

    // One more code of the subject's, whose meaning is known.
    void add(std::int64_t code, CodeMeaning meaning)
    {
        if (meaning == CodeMeaning::Missing)
            return;
        total += code;
        ++answered;
        outside = outside || meaning == CodeMeaning::Outside;
    }
    bool counted(int items) const { return answered > 0 || items == 0; }
};

// Hears every subject of a file once complete, in the file's order: its
// identifier (a table's; else empty), what its codes add up to, and its
// categories (kNotAnswered where it gave no answer). A subject with a code
// outside the range has no categories to read: each reader keeps what is
// quickest for it there. What a subject is, is the readers' one rule; what
// it tells, the listener's.
class SubjectSink {
public:
    virtual ~SubjectSink() = default;
    virtual void take(std::string_view id, const SubjectTotal& subject, const unsigned char* categories) = 0;
};

// Where the counts by category take each subject: the forms every one
// that answered something, the items and pairs those whose codes are all
// in range.
struct CategorySinks {
    ItemCodeCounts* items = nullptr;
    PairCounts* pairs = nullptr;
    AnswerForms* forms = nullptr;  // with answers missing
    SubjectSink* persons = nullptr;  // every subject, whatever its codes

    explicit operator bool() const { return items || pairs || forms || persons; }
    void add(const unsigned char* categories, const SubjectTotal& subject, std::string_view id) const
    {
        if (persons)
            persons->take(id, subject, categories);
        const bool outside = subject.outside, answered = subject.answered > 0;
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
    void addZeros(std::uint64_t count, const std::vector<unsigned char>& zeros, const SubjectTotal& subject) const
    {
        if (persons)
            for (std::uint64_t k = 0; k < count; ++k)
                persons->take({}, subject, zeros.data());
        const bool outside = subject.outside, answered = subject.answered > 0;
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
            count.forms.active() ? &count.forms : nullptr, count.persons};
}

// Counts a complete subject: in row total − firstScore of histogram when
// it is counted and the row is one, and with its categories (one an item,
// with sinks) into the sinks.
// (Both by value: a reference would let the caller's tally escape, and keep
// its figures out of registers in the readers' loops.)
template <typename Histogram>
void CountSubject(SubjectTotal subject, int items, std::int64_t firstScore, Histogram& histogram,
                  CategorySinks sinks, const unsigned char* categories, std::string_view id = {})
{
    const std::int64_t row = subject.total - firstScore;
    if (subject.counted(items) && row >= 0 && row < static_cast<std::int64_t>(histogram.size()))
        histogram[static_cast<std::size_t>(row)] += 1;
    if (sinks)
        sinks.add(categories, subject, id);
}

// What the code 0 stands for, as the reading rules give it to the scores
// past a file's end: a category, outside the range, or no answer.
struct ZeroCode {
    ZeroCode(int items, const CodeRule& rule)
        : items(items),
          meaning(rule.of(0)),
          categories(static_cast<std::size_t>(items), rule.category(0, meaning))
    {
    }

    // A subject whose last cut codes lie past the end.
    void endSubject(SubjectTotal& subject, int cut) const
    {
        if (cut <= 0 || meaning == CodeMeaning::Missing)
            return;
        subject.answered += cut;
        subject.outside = subject.outside || meaning == CodeMeaning::Outside;
    }
    // count subjects wholly past the end.
    template <typename Histogram>
    void countSubjects(std::int64_t count, std::int64_t firstScore, Histogram& histogram,
                       const CategorySinks& sinks) const
    {
        if (count <= 0)
            return;
        SubjectTotal subject;
        endSubject(subject, items);
        const std::int64_t row = -firstScore;
        if (subject.counted(items) && row >= 0 && row < static_cast<std::int64_t>(histogram.size()))
            histogram[static_cast<std::size_t>(row)] += static_cast<typename Histogram::value_type>(count);
        if (sinks)
            sinks.addZeros(static_cast<std::uint64_t>(count), categories, subject);
    }

    const int items;
    const CodeMeaning meaning;
    const std::vector<unsigned char> categories;  // a subject of nothing but 0
};

// One subject's codes as they come, item by item; closed once complete.
class SubjectTally {
public:
    SubjectTally(int items, const CodeRule& rule, const CategorySinks& sinks)
        : items_(items), rule_(rule), sinks_(sinks), keep_(sinks), categories_(sinks ? items : 0)
    {
    }

    // The code of an item, whatever it is; returns what it means.
    CodeMeaning take(int item, std::int64_t code)
    {
        const CodeMeaning meaning = rule_.of(code);
        add(item, code, meaning);
        return meaning;
    }
    // An item without an answer: a missing code, or a cell that holds none.
    void missing(int item) { add(item, 0, CodeMeaning::Missing); }
    // An answer whose meaning the caller knows.
    void answer(int item, std::int64_t code, bool outside)
    {
        add(item, code, outside ? CodeMeaning::Outside : CodeMeaning::Answer);
    }

    template <typename Histogram>
    void close(std::int64_t firstScore, Histogram& histogram, std::string_view id = {})
    {
        CountSubject(subject_, items_, firstScore, histogram, sinks_, categories_.data(), id);
        subject_ = SubjectTotal();
    }

private:
    void add(int item, std::int64_t code, CodeMeaning meaning)
    {
        subject_.add(code, meaning);
        if (keep_)
            categories_[static_cast<std::size_t>(item)] = rule_.category(code, meaning);
    }

    const int items_;
    const CodeRule rule_;
    const CategorySinks sinks_;
    const bool keep_;  // the categories, for the sinks
    std::vector<unsigned char> categories_;
    SubjectTotal subject_;
};
