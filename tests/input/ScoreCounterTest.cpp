#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/ScoreCounter.h"
#include "tests/EveryVectorPath.h"
#include "tests/TempDirectory.h"

namespace {

class ScoreCounterTest : public InTempDirectory {
protected:
    // A count of x.dat with codes lowest … lowest + 1 in range, by item too.
    // With missing codes, by form as well.
    static ScoreCount emptyCount(std::size_t rows, std::int32_t lowest, int items = 0,
                                 const MissingCodes& missing = {})
    {
        ScoreCount count;
        count.observed.assign(rows, 0.0);
        count.codes.lowest = lowest;
        count.codes.highest = lowest + 1;
        count.missing = missing;
        if (items > 0) {
            count.byItem = ItemCodeCounts(items, 2, !missing.empty());
            count.pairs = PairCounts(items, 2, !missing.empty());
            if (!missing.empty())
                count.forms = AnswerForms(items, 2);
        }
        return count;
    }

    static ScoreCount plainly(std::int64_t subjects, int items, std::int64_t firstScore, std::size_t rows,
                              const MissingCodes& missing = {})
    {
        ScoreCount count = emptyCount(rows, static_cast<std::int32_t>(firstScore), items, missing);
        EXPECT_TRUE(CountScores("x.dat", subjects, items, firstScore, count));
        return count;
    }

    struct Counts {
        bool fast = false;  // the parallel counter took the file
        ScoreCount count;
    };
    static Counts inParts(std::int64_t subjects, int items, std::int64_t firstScore, std::size_t rows, int threads,
                          const ScoreCounterSettings& settings, const MissingCodes& missing = {})
    {
        Counts counts{false, emptyCount(rows, static_cast<std::int32_t>(firstScore), items, missing)};
        counts.fast = CountSimpleScores("x.dat", subjects, items, firstScore, counts.count, threads, settings);
        return counts;
    }

    static std::string notes(const ScoreCount& count)
    {
        const FileNotes& f = count.file;
        const CodeNotes& c = count.codes;
        return "read " + std::to_string(f.read) + " of " + std::to_string(f.declared) + ", failed at " +
               std::to_string(f.failedAt) + (f.failedAtEnd ? " (end)" : "") + (f.trailing ? ", more follows" : "") +
               "; " + std::to_string(c.outside) + " outside, first " + std::to_string(c.firstValue) + " at " +
               std::to_string(c.firstIndex);
    }
    static void expectSame(const ScoreCount& actual, const ScoreCount& wanted, const std::string& where)
    {
        EXPECT_EQ(actual.observed, wanted.observed) << where;
        EXPECT_TRUE(actual.byItem == wanted.byItem) << where << ": the counts by item differ";
        EXPECT_TRUE(actual.pairs == wanted.pairs) << where << ": the counts by pair differ";
        EXPECT_TRUE(actual.forms == wanted.forms) << where << ": the forms differ";
        EXPECT_TRUE(actual.file == wanted.file && actual.codes == wanted.codes)
            << where << "\n  parts: " << notes(actual) << "\n  plain: " << notes(wanted);
    }
};

struct Case {
    const char* what;
    std::string bytes;
    std::int64_t subjects;
    int items;
    bool taken;  // the parallel counter must take it, whatever the parts
};

std::string repeated(const std::string& unit, int times)
{
    std::string text;
    for (int k = 0; k < times; ++k)
        text += unit;
    return text;
}

// What is known to trip parallel text scanners, each counted with parts of
// every size from a byte upwards, so that a part boundary falls at every
// place: inside a number, inside CR LF, on a bad token.
const Case kCases[] = {
    {"LF", repeated("1 0 1\n0 0 1\n1 1 1\n", 7), 21, 3, true},
    {"CR LF", repeated("1 0 1\r\n0 0 1\r\n1 1 1\r\n", 7), 21, 3, true},
    {"lone CR", repeated("1 0 1\r0 0 1\r1 1 1\r", 7), 21, 3, true},
    {"tabs, form feeds, vertical tabs", repeated("1\t0\f1\v0\t\t1 1\n", 9), 18, 3, true},
    {"runs of blanks", repeated("1    0  \n\n  1 \r\n 1\t \t 0     1 \n", 6), 12, 3, true},
    {"numbers of several digits", repeated("12 7 345 0 999999999 3\r\n", 5), 5, 6, true},
    {"no final newline", repeated("1 0 1 1\n", 6) + "0 1 1 1", 7, 4, true},
    {"file shorter than declared", repeated("1 0 1 1\r\n", 6) + "0 1", 10, 4, true},
    {"more than declared", repeated("1 0 1 1\n", 9), 5, 4, true},
    {"subjects across lines", repeated("1 0 1\n1 0\n", 8), 10, 4, true},
    {"signs", repeated("1 0 1\n", 4) + "+1 -1 1\n" + repeated("1 1 0\n", 4), 9, 3, false},
    {"a leading zero", repeated("1 0 1\n", 4) + "010 1 1\n" + repeated("1 1 0\n", 4), 9, 3, false},
    {"ten digits", repeated("1 0 1\n", 4) + "1234567890 1 1\n" + repeated("1 1 0\n", 4), 9, 3, false},
    {"a bad token early", "1 x 1\n" + repeated("1 0 1\n", 8), 9, 3, false},
    {"a bad token late", repeated("1 0 1\n", 8) + "1 0 1.0\n", 9, 3, false},
    {"a bad token after the last score read", repeated("1 0 1\n", 8) + "x", 8, 3, false},
    {"a NUL byte", repeated("1 0 1\n", 4) + std::string("1 \0 1\n", 6) + repeated("1 0 1\n", 4), 9, 3, false},
    {"empty", "", 4, 3, true},
    // Long subjects, whose digits the blocks take eight or sixteen at a time,
    // and whose ends fall inside blocks.
    {"forty items a line", repeated(repeated("1 0 0 1 1 ", 8) + "\n", 12), 12, 40, true},
    {"forty items, CR LF and double spaces",
     repeated(repeated("0 1  1 1 0 ", 8) + "\r\n" + repeated("1 1 0 0 0 ", 8) + "\r\n", 6), 12, 40, true},
    {"three items, several subjects ending in a block", repeated("1 0 1\n0 1 1 1 0 0\n", 10) + "1 1", 31, 3, true},
    {"forty items, a code outside", repeated(repeated("1 0 0 1 1 ", 8) + "\n", 5) + repeated("1 0 2 1 1 ", 8) + "\n" +
     repeated(repeated("0 0 0 1 1 ", 8) + "\n", 5), 11, 40, true},
};

}  // namespace

TEST_F(ScoreCounterTest, PartsGiveWhatReadingNumberByNumberGives)
{
    for (const Case& c : kCases) {
        write("x.dat", c.bytes);
        for (const std::int64_t firstScore : {0, 1}) {
            const std::size_t rows = static_cast<std::size_t>(c.items) * 9 + 1;
            const ScoreCount wanted = plainly(c.subjects, c.items, firstScore, rows);
            // Pieces of 32 bytes hold no block of 32, those of 97 two. One
            // thread and three on the baseline path, two on the others.
            const bool alone = AvailableVectorPaths().size() == 1;
            OnEveryVectorPath([&](VectorPath path) {
                const std::vector<int> threadCounts = alone ? std::vector<int>{1, 2, 3}
                                                      : path == VectorPath::Baseline ? std::vector<int>{1, 3}
                                                                                     : std::vector<int>{2};
                for (std::uint64_t part = 1; part <= c.bytes.size() + 1; ++part)
                    for (const int threads : threadCounts) {
                        const std::size_t piece = part % 2 ? 32 : 97;
                        const Counts counts = inParts(c.subjects, c.items, firstScore, rows, threads, {0, part, piece});
                        EXPECT_TRUE(counts.fast || !c.taken) << c.what;
                        const std::string where = std::string(c.what) + ", parts of " + std::to_string(part) +
                                                  ", pieces of " + std::to_string(piece) + ", " +
                                                  std::to_string(threads) + " threads";
                        expectSame(counts.count,
                                   counts.fast ? wanted
                                               : emptyCount(rows, static_cast<std::int32_t>(firstScore), c.items),
                                   where);
                    }
            });
        }
    }
}

// Reading pieces and the blocks of every path meet numbers at every offset
// of a long CR LF file: the fault that lost the number under way when a
// block began on the CR after it.
TEST_F(ScoreCounterTest, LongCrLfFileInSmallPiecesAndParts)
{
    std::string text;
    unsigned state = 7;
    const int subjects = 3000, items = 10;
    for (int j = 0; j < subjects; ++j)
        for (int i = 0; i < items; ++i) {
            state = state * 1103515245u + 12345u;
            text += (state >> 16) % 3 == 0 ? "1" : (state >> 16) % 3 == 1 ? "0" : "12";
            text += i + 1 == items ? "\r\n" : " ";
        }
    write("x.dat", text);
    const ScoreCount wanted = plainly(subjects, items, 0, 200);
    EXPECT_GT(wanted.byItem.subjects(4), 0u);
    EXPECT_GT(wanted.codes.outside, 0);  // the 12s
    OnEveryVectorPath([&](VectorPath) {
        for (const std::size_t piece : {32u, 33u, 47u, 64u, 1000u})
            for (const std::uint64_t part : {97u, 1024u, 4099u, 1u << 20})
                for (int threads = 1; threads <= 3; ++threads) {
                    const Counts counts = inParts(subjects, items, 0, 200, threads, {0, part, piece});
                    ASSERT_TRUE(counts.fast);
                    expectSame(counts.count, wanted,
                               "pieces of " + std::to_string(piece) + ", parts of " + std::to_string(part));
                }
    });
}

// The observed side of the item fit, worked out by hand: subjects by total
// and by each item's category; a subject with a code outside the range has
// no place, and those past the end of the file have codes 0.
TEST_F(ScoreCounterTest, CountsByItemAndTotal)
{
    write("x.dat", "1 0 1\n0 0 1\n1 7 1\n1 1 0\n0 1");
    ScoreCount count = plainly(6, 3, 0, 4);
    const ItemCodeCounts& byItem = count.byItem;
    const std::uint64_t subjects[] = {1, 2, 2, 0};  // the last two read 0 1 0 and 0 0 0
    for (std::size_t total = 0; total < 4; ++total)
        EXPECT_EQ(byItem.subjects(total), subjects[total]) << total;
    EXPECT_EQ(byItem.count(1, 2, 1), 1u);  // 0 0 1
    EXPECT_EQ(byItem.count(1, 1, 1), 1u);  // 0 1 0
    EXPECT_EQ(byItem.count(2, 0, 1), 2u);  // 1 0 1 and 1 1 0
    EXPECT_EQ(byItem.count(2, 2, 0), 1u);
    EXPECT_EQ(byItem.count(0, 1, 0), 1u);
    // The pairs of the same five subjects: 1 0 1, 0 0 1, 1 1 0, 0 1 0, 0 0 0.
    const PairCounts& pairs = count.pairs;
    EXPECT_EQ(pairs.subjects(), 5u);
    EXPECT_EQ(pairs.count(0, 2, 1, 1), 1u);
    EXPECT_EQ(pairs.count(0, 2, 1, 0), 1u);
    EXPECT_EQ(pairs.count(0, 2, 0, 1), 1u);
    EXPECT_EQ(pairs.count(0, 2, 0, 0), 2u);
    EXPECT_EQ(pairs.count(2, 0, 1, 0), 1u);  // the other way round
    EXPECT_EQ(pairs.count(1, 2, 0, 0), 1u);

    // With codes 1 and 2 the subjects past the end are outside too.
    write("x.dat", "2 1 2\n1 1 2\n");
    count = emptyCount(4, 1);
    count.byItem = ItemCodeCounts(3, 2);
    EXPECT_TRUE(CountScores("x.dat", 4, 3, 3, count));
    EXPECT_EQ(count.byItem.subjects(0) + count.byItem.subjects(1) + count.byItem.subjects(2), 2u);
    EXPECT_EQ(count.byItem.count(2, 1, 0), 1u);
}

// Missing codes at every place a part or a block may cut them: single
// digits inside blocks and at their ends, codes of two digits, subjects of
// nothing but missing codes, a file that ends inside a subject (its last
// scores read 0, a missing code here in one case), a code out of range.
TEST_F(ScoreCounterTest, MissingCodesInPartsAsNumberByNumber)
{
    struct MissingCase {
        const char* what;
        std::string bytes;
        std::int64_t subjects;
        int items;
        MissingCodes missing;
    };
    const MissingCase cases[] = {
        {"booklets of nines", repeated(repeated("1 0 9 9 1 ", 4) + "\n" + repeated("9 9 0 1 1 ", 4) + "\n", 5), 10, 20,
         MissingCodes({9})},
        {"nines and ninety-nines", repeated("1 99 0 9\n9 9 9 9\n0 1 99 1\n", 6), 18, 4, MissingCodes({9, 99})},
        {"zero missing, file short", repeated("1 0 1 1 0 1\n", 5) + "1 1", 8, 6, MissingCodes({0})},
        {"nine missing, file short", repeated("1 9 1 1 0 9\n", 5) + "9 1", 8, 6, MissingCodes({9})},
        {"a code outside", repeated("1 9 2 1\n0 9 9 1\n", 5), 10, 4, MissingCodes({9})},
    };
    for (const MissingCase& c : cases) {
        write("x.dat", c.bytes);
        const std::size_t rows = static_cast<std::size_t>(c.items) * 9 + 1;
        const ScoreCount wanted = plainly(c.subjects, c.items, 0, rows, c.missing);
        EXPECT_GT(wanted.forms.forms().size(), 1u) << c.what;
        OnEveryVectorPath([&](VectorPath) {
            for (std::uint64_t part = 1; part <= c.bytes.size() + 1; part += 3)
                for (const int threads : {1, 2, 3}) {
                    const std::size_t piece = part % 2 ? 32 : 97;
                    const Counts counts = inParts(c.subjects, c.items, 0, rows, threads, {0, part, piece}, c.missing);
                    ASSERT_TRUE(counts.fast) << c.what;
                    expectSame(counts.count, wanted,
                               std::string(c.what) + ", parts of " + std::to_string(part) + ", " +
                                   std::to_string(threads) + " threads");
                }
        });
    }
}

// What the forms, items and pairs count, by hand: each subject's total is
// that of the items it answered; one who answered nothing counts nowhere
// but in withoutAnswers; one with a code out of range has a form but no
// counts; one at the top of its own form is in no score group.
TEST_F(ScoreCounterTest, CountsWithAnswersMissing)
{
    write("x.dat", "1 9 0\n9 9 9\n1 1 9\n0 0 1\n1 9 7\n9 0 1\n1 1 1\n");
    const ScoreCount count = plainly(7, 3, 0, 4, MissingCodes({9}));
    EXPECT_EQ(count.observed, (std::vector<double>{0, 3, 1, 1}));  // 1, none, 2, 1, 8 (no row), 1, 3
    const AnswerForms& forms = count.forms;
    EXPECT_EQ(forms.withoutAnswers(), 1u);
    EXPECT_EQ(forms.missingAnswers(), 1u + 3 + 1 + 1 + 1);
    ASSERT_EQ(forms.forms().size(), 4u);  // in the order of their items
    const std::vector<std::vector<int>> items = {{0, 1}, {0, 1, 2}, {0, 2}, {1, 2}};
    const std::vector<std::uint64_t> subjects = {1, 2, 2, 1};
    const std::vector<std::vector<std::uint64_t>> counted = {{0, 0, 1}, {0, 1, 0, 1}, {0, 1, 0}, {0, 1, 0}};
    for (std::size_t f = 0; f < 4; ++f) {
        EXPECT_EQ(forms.forms()[f].items, items[f]) << f;
        EXPECT_EQ(forms.forms()[f].subjects, subjects[f]) << f;
        EXPECT_EQ(forms.forms()[f].counted, counted[f]) << f;
    }
    // Totals 1: 1 9 0, 0 0 1, 9 0 1; 1 1 9 is at the top of its form, in
    // the row set apart; 1 1 1 at the top of the test, where it always was.
    const ItemCodeCounts& byItem = count.byItem;
    EXPECT_EQ(byItem.subjects(1), 3u);
    EXPECT_EQ(byItem.subjects(3), 1u);
    EXPECT_EQ(byItem.subjects(4), 1u);
    EXPECT_EQ(byItem.answered(1, 0), 2u);
    EXPECT_EQ(byItem.answered(1, 1), 2u);
    EXPECT_EQ(byItem.count(1, 0, 1), 1u);
    EXPECT_EQ(byItem.count(1, 2, 0), 1u);
    EXPECT_EQ(byItem.count(1, 2, 1), 2u);
    EXPECT_EQ(byItem.answered(4, 0), 1u);
    EXPECT_EQ(byItem.answered(4, 2), 0u);
    const PairCounts& pairs = count.pairs;
    EXPECT_EQ(pairs.subjects(), 5u);
    EXPECT_EQ(pairs.both(0, 1), 3u);  // 1 1 9, 0 0 1, 1 1 1
    EXPECT_EQ(pairs.both(0, 2), 3u);
    EXPECT_EQ(pairs.both(2, 1), 3u);
    EXPECT_EQ(pairs.count(0, 1, 1, 1), 2u);
    EXPECT_EQ(pairs.count(0, 1, 0, 0), 1u);
    EXPECT_EQ(pairs.count(1, 0, 0, 1), 0u);
    EXPECT_EQ(pairs.count(0, 2, 1, 0), 1u);
    EXPECT_EQ(pairs.count(2, 1, 1, 0), 2u);  // 0 0 1, 9 0 1
}

TEST_F(ScoreCounterTest, SmallFilesAndOneThreadAreLeftToTheReader)
{
    write("x.dat", "1 0 1\n");
    ScoreCount count = emptyCount(4, 0);
    EXPECT_FALSE(CountSimpleScores("x.dat", 1, 3, 0, count, 2));
    EXPECT_FALSE(CountSimpleScores("missing.dat", 1, 3, 0, count, 2, {0, 16, 32}));
    expectSame(count, emptyCount(4, 0), "declined");
    EXPECT_FALSE(CountScores("missing.dat", 1, 3, 0, count));
}
