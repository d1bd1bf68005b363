#include "counts/AnswerForms.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "counts/ItemCodeCounts.h"

// Forms against a plain tally, on every item count around whole words of
// eight: each subject's answered items, missing answers, those who answered
// nothing, and the index totals of those whose codes are all in range.
// Categories include the bytes nearest kNotAnswered's pattern.
TEST(AnswerFormsTest, AgreeWithAPlainTally)
{
    constexpr int kCategories = 3, kSubjects = 400;
    const unsigned char codes[] = {0, 1, 2, 0x7F, 0x80, 0xFE, kNotAnswered, kNotAnswered};
    for (int items = 1; items <= 20; ++items) {
        std::mt19937 random(static_cast<unsigned>(items));
        AnswerForms forms(items, kCategories);
        std::map<std::vector<int>, std::pair<std::uint64_t, std::vector<std::uint64_t>>> tally;
        std::uint64_t missing = 0, without = 0;
        std::vector<unsigned char> answers(static_cast<std::size_t>(items));
        for (int s = 0; s < kSubjects; ++s) {
            std::vector<int> answered;
            std::size_t total = 0;
            for (int i = 0; i < items; ++i) {
                // A few forms only, so that subjects meet theirs again.
                const bool given = random() % 3 != 0 || i % 4 == s % 4;
                answers[i] = given ? codes[random() % 3] : kNotAnswered;
                if (s % 50 == 0 && given)
                    answers[i] = codes[random() % 6];  // a code the scan would call outside
                if (answers[i] != kNotAnswered) {
                    answered.push_back(i);
                    total += answers[i];
                }
            }
            const bool outside = s % 50 == 0;
            const std::uint64_t count = s % 9 == 0 ? 3 : 1;
            forms.addSubject(answers.data(), outside, count);
            missing += static_cast<std::uint64_t>(items - static_cast<int>(answered.size())) * count;
            if (answered.empty()) {
                without += count;
                continue;
            }
            auto& [subjects, counted] = tally[answered];
            counted.resize(answered.size() * (kCategories - 1) + 1);
            subjects += count;
            if (!outside)
                counted.at(total) += count;
        }
        SCOPED_TRACE(std::to_string(items) + " items");
        EXPECT_EQ(forms.missingAnswers(), missing);
        EXPECT_EQ(forms.withoutAnswers(), without);
        ASSERT_EQ(forms.forms().size(), tally.size());
        for (const AnswerForm& form : forms.forms()) {
            const auto found = tally.find(form.items);
            ASSERT_NE(found, tally.end());
            EXPECT_EQ(form.subjects, found->second.first);
            EXPECT_EQ(form.counted, found->second.second);
        }
    }
}
