#include "counts/AnswerForms.h"

#include <algorithm>
#include <cstring>

#include "counts/ItemCodeCounts.h"

AnswerForms::AnswerForms(int items, int categories)
    : items_(items), categories_(categories), key_((static_cast<std::size_t>(items) + 7) / 8, '\0')
{
}

namespace {

// The bytes of x that are not kNotAnswered, a bit each, the first byte in
// the lowest bit.
unsigned answeredBits(std::uint64_t x)
{
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full, kHigh = 0x8080808080808080ull;
    const std::uint64_t y = ~x;  // a byte of 0 where not answered
    const std::uint64_t nonzero = (((y & kLow7) + kLow7) | y) & kHigh;
    return static_cast<unsigned>(((nonzero >> 7) * 0x0102040810204080ull) >> 56);
}

}  // namespace

void AnswerForms::addSubject(const unsigned char* categories, bool outside, std::uint64_t count)
{
    static_assert(kNotAnswered == 0xFF, "answeredBits looks for bytes of all ones");
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "a word's first byte is its lowest");
    // Eight items a step, and sums the compiler takes a vector at a time:
    // this runs once a subject.
    const std::size_t items = static_cast<std::size_t>(items_);
    std::size_t i = 0;
    for (; i + 8 <= items; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, categories + i, sizeof word);
        key_[i / 8] = static_cast<char>(answeredBits(word));
    }
    if (i < items) {
        unsigned bits = 0;
        for (std::size_t k = i; k < items; ++k)
            bits |= categories[k] != kNotAnswered ? 1u << (k - i) : 0u;
        key_[i / 8] = static_cast<char>(bits);
    }
    std::size_t unanswered = 0, total = 0;
    for (std::size_t k = 0; k < items; ++k) {
        unanswered += categories[k] == kNotAnswered;
        total += categories[k];
    }
    const std::size_t answered = items - unanswered;
    total -= unanswered * kNotAnswered;
    missingAnswers_ += (static_cast<std::uint64_t>(items_) - answered) * count;
    if (answered == 0) {
        withoutAnswers_ += count;
        return;
    }
    auto [at, made] = index_.try_emplace(key_, forms_.size());
    if (made) {
        AnswerForm form;
        for (int i = 0; i < items_; ++i)
            if (categories[i] != kNotAnswered)
                form.items.push_back(i);
        form.counted.assign(form.topTotal(categories_) + 1, 0);
        forms_.push_back(std::move(form));
    }
    AnswerForm& form = forms_[at->second];
    form.subjects += count;
    if (!outside)
        form.counted[total] += count;
}

void AnswerForms::add(const AnswerForms& other)
{
    missingAnswers_ += other.missingAnswers_;
    withoutAnswers_ += other.withoutAnswers_;
    for (const auto& [key, from] : other.index_) {
        auto [at, made] = index_.try_emplace(key, forms_.size());
        if (made) {
            forms_.push_back(other.forms_[from]);
            continue;
        }
        AnswerForm& form = forms_[at->second];
        form.subjects += other.forms_[from].subjects;
        for (std::size_t t = 0; t < form.counted.size(); ++t)
            form.counted[t] += other.forms_[from].counted[t];
    }
}

void AnswerForms::order()
{
    std::vector<std::size_t> place(forms_.size());
    for (std::size_t f = 0; f < place.size(); ++f)
        place[f] = f;
    std::sort(place.begin(), place.end(),
              [&](std::size_t a, std::size_t b) { return forms_[a].items < forms_[b].items; });
    std::vector<AnswerForm> sorted;
    sorted.reserve(forms_.size());
    std::vector<std::size_t> moved(forms_.size());
    for (std::size_t f = 0; f < place.size(); ++f) {
        moved[place[f]] = f;
        sorted.push_back(std::move(forms_[place[f]]));
    }
    forms_ = std::move(sorted);
    for (auto& [key, at] : index_)
        at = moved[at];
}

std::uint64_t AnswerForms::subjects() const
{
    std::uint64_t sum = 0;
    for (const AnswerForm& form : forms_)
        sum += form.subjects;
    return sum;
}

std::uint64_t AnswerForms::answers() const
{
    std::uint64_t sum = 0;
    for (const AnswerForm& form : forms_)
        sum += form.subjects * form.items.size();
    return sum;
}

void AnswerForms::clearCounted()
{
    for (AnswerForm& form : forms_)
        std::fill(form.counted.begin(), form.counted.end(), 0);
}

bool AnswerForms::operator==(const AnswerForms& other) const
{
    const auto same = [](const AnswerForm& a, const AnswerForm& b) {
        return a.items == b.items && a.subjects == b.subjects && a.counted == b.counted;
    };
    return items_ == other.items_ && categories_ == other.categories_ && withoutAnswers_ == other.withoutAnswers_ &&
           missingAnswers_ == other.missingAnswers_ &&
           std::equal(forms_.begin(), forms_.end(), other.forms_.begin(), other.forms_.end(), same);
}
