#include "counts/PairCounts.h"

#include <gtest/gtest.h>

#include <random>

// Every joint count against a plain tally, binary and polytomous, over
// more subjects than one gathering holds, with subjects added as all-lowest
// and two counters' counts added together.
TEST(PairCountsTest, AgreeWithAPlainTally)
{
    constexpr int kItems = 5, kSubjects = 1300;
    for (const int K : {2, 4}) {
        std::mt19937 random(static_cast<unsigned>(K));
        std::vector<std::uint64_t> tally(kItems * kItems * K * K, 0);
        PairCounts halves[2] = {PairCounts(kItems, K), PairCounts(kItems, K)};
        std::vector<unsigned char> answers(kItems);
        for (int s = 0; s < kSubjects; ++s) {
            PairCounts& into = halves[s * 2 / kSubjects];
            if (s % 7 == 0)
                std::fill(answers.begin(), answers.end(), 0);
            else
                for (unsigned char& a : answers)
                    a = static_cast<unsigned char>(random() % K);
            if (s % 7 == 0 && s % 2 == 0)
                into.addLowest(1);
            else
                into.addSubject(answers.data());
            for (int i = 0; i < kItems; ++i)
                for (int j = 0; j < kItems; ++j)
                    ++tally[((i * kItems + j) * K + answers[i]) * K + answers[j]];
        }
        halves[0].flush();
        halves[1].flush();
        PairCounts counts = halves[0];
        counts.add(halves[1]);
        EXPECT_EQ(counts.subjects(), static_cast<std::uint64_t>(kSubjects));
        for (int i = 0; i < kItems; ++i)
            for (int j = 0; j < kItems; ++j)
                for (int k = 0; k < K && i != j; ++k)
                    for (int l = 0; l < K; ++l)
                        EXPECT_EQ(counts.count(i, j, k, l), tally[((i * kItems + j) * K + k) * K + l])
                            << "K " << K << ", items " << i << ", " << j << ", categories " << k << ", " << l;
    }
}
