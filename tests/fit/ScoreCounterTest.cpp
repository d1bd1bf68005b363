#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fit/ScoreCounter.h"
#include "tests/TempDirectory.h"

namespace {

class ScoreCounterTest : public InTempDirectory {
protected:
    struct Counts {
        bool fast = false;  // the parallel counter took the file
        std::vector<double> observed;
    };

    static std::vector<double> plainly(std::int64_t subjects, int items, std::int64_t firstScore, std::size_t rows)
    {
        std::vector<double> observed(rows, 0.0);
        EXPECT_TRUE(CountScores("x.dat", subjects, items, firstScore, observed));
        return observed;
    }

    static Counts inParts(std::int64_t subjects, int items, std::int64_t firstScore, std::size_t rows, int threads,
                          const ScoreCounterSettings& settings)
    {
        Counts counts;
        counts.observed.assign(rows, 0.0);
        counts.fast = CountSimpleScores("x.dat", subjects, items, firstScore, counts.observed, threads, settings);
        return counts;
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
};

}  // namespace

TEST_F(ScoreCounterTest, PartsGiveWhatReadingNumberByNumberGives)
{
    for (const Case& c : kCases) {
        write("x.dat", c.bytes);
        for (const std::int64_t firstScore : {0, 1}) {
            const std::size_t rows = static_cast<std::size_t>(c.items) * 9 + 1;
            const std::vector<double> wanted = plainly(c.subjects, c.items, firstScore, rows);
            for (std::uint64_t part = 1; part <= c.bytes.size() + 1; ++part)
                for (int threads = 1; threads <= 3; ++threads) {
                    const Counts counts = inParts(c.subjects, c.items, firstScore, rows, threads, {0, part, 32});
                    EXPECT_TRUE(counts.fast || !c.taken) << c.what;
                    EXPECT_EQ(counts.observed, counts.fast ? wanted : std::vector<double>(rows, 0.0))
                        << c.what << ", parts of " << part << ", " << threads << " threads";
                }
        }
    }
}

// Reading pieces and the sixteen-byte blocks meet numbers at every offset
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
    const std::vector<double> wanted = plainly(subjects, items, 0, 200);
    for (const std::size_t piece : {32u, 33u, 47u, 64u, 1000u})
        for (const std::uint64_t part : {97u, 1024u, 4099u, 1u << 20})
            for (int threads = 1; threads <= 3; ++threads) {
                const Counts counts = inParts(subjects, items, 0, 200, threads, {0, part, piece});
                ASSERT_TRUE(counts.fast);
                EXPECT_EQ(counts.observed, wanted) << "pieces of " << piece << ", parts of " << part;
            }
}

TEST_F(ScoreCounterTest, SmallFilesAndOneThreadAreLeftToTheReader)
{
    write("x.dat", "1 0 1\n");
    std::vector<double> observed(4, 0.0);
    EXPECT_FALSE(CountSimpleScores("x.dat", 1, 3, 0, observed, 2));
    EXPECT_FALSE(CountSimpleScores("missing.dat", 1, 3, 0, observed, 2, {0, 16, 32}));
    EXPECT_EQ(observed, std::vector<double>(4, 0.0));
    EXPECT_FALSE(CountScores("missing.dat", 1, 3, 0, observed));
}
