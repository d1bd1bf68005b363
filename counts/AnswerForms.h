#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// One form: the items a subject answered, and the subjects who answered
// just those.
struct AnswerForm {
    std::vector<int> items;      // from 0, increasing
    std::uint64_t subjects = 0;  // N_f
    // Of them, those whose every code is in the model's range, by index
    // total (the sum of code − lowest), 0 … n(K − 1).
    std::vector<std::uint64_t> counted;

    std::size_t topTotal(int categories) const { return items.size() * static_cast<std::size_t>(categories - 1); }
};

// The forms of a run with answers missing, gathered subject by subject. A
// subject's categories say kNotAnswered (ItemCodeCounts.h) for an item it
// did not answer; those who answered nothing have no form and are only
// counted.
class AnswerForms {
public:
    AnswerForms() = default;
    AnswerForms(int items, int categories);

    bool active() const { return items_ > 0; }
    int items() const { return items_; }
    int categories() const { return categories_; }

    // count subjects alike; outside: one of their answered codes is not
    // in the model's range (its category means nothing then).
    void addSubject(const unsigned char* categories, bool outside, std::uint64_t count = 1);
    void add(const AnswerForms& other);
    // The forms in the order of their items, whatever order the subjects
    // came in: the sums over forms then do not depend on the threads.
    void order();

    const std::vector<AnswerForm>& forms() const { return forms_; }
    std::uint64_t withoutAnswers() const { return withoutAnswers_; }
    std::uint64_t missingAnswers() const { return missingAnswers_; }
    std::uint64_t subjects() const;  // with a form
    std::uint64_t answers() const;   // given, by the subjects with a form

    // The same forms with no subject counted, for a replicate; then its
    // subjects one by one, by form and index total.
    void clearCounted();
    void addCounted(std::size_t form, std::size_t total) { ++forms_[form].counted[total]; }

    bool operator==(const AnswerForms& other) const;

private:
    int items_ = 0, categories_ = 0;
    std::vector<AnswerForm> forms_;
    // A form's answered items as bits: where it stands in forms_.
    std::unordered_map<std::string, std::size_t> index_;
    std::string key_;  // the subject's in hand
    std::uint64_t withoutAnswers_ = 0, missingAnswers_ = 0;
};
