#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/ScoreCounter.h"
#include "input/ScoreSheet.h"
#include "tests/TempDirectory.h"

// Every reader of scores takes a subject's codes by one rule: the numbers
// one by one, the same numbers in parts side by side, and the table record
// by record or in parts. Each case is counted by all of them, against
// figures worked out by hand.

namespace {

using Subjects = std::vector<std::vector<int>>;

struct RuleCase {
    const char* what;
    Subjects subjects;
    MissingCodes missing;
    std::vector<double> observed;  // by total, from 0
    std::uint64_t withoutAnswers;
    std::int64_t outside, firstIndex;
    std::int32_t firstValue;
};

const RuleCase kCases[] = {
    {"every code an answer", {{1, 0, 1}, {0, 0, 0}, {1, 1, 1}, {0, 1, 0}}, {}, {1, 1, 1, 1, 0, 0}, 0, 0, -1, 0},
    {"missing codes add nothing",
     {{1, 9, 1}, {9, 0, 0}, {1, 1, 9}, {0, 1, 0}},
     MissingCodes({9}),
     {1, 1, 2, 0, 0, 0},
     0, 0, -1, 0},
    {"one who answered nothing counts in no row",
     {{1, 0, 1}, {9, 9, 9}, {9, 1, 9}, {9, 9, 9}},
     MissingCodes({9}),
     {0, 1, 1, 0, 0, 0},
     2, 0, -1, 0},
    {"codes outside count by their value, noted from the first",
     {{1, 0, 1}, {0, 2, 0}, {1, 1, 1}, {3, 1, 0}},
     {},
     {0, 0, 2, 1, 1, 0},
     0, 2, 4, 2},
    {"outside and missing together",
     {{1, 9, 2}, {9, 9, 9}, {0, 1, 9}, {1, 1, 1}},
     MissingCodes({9}),
     {0, 1, 0, 2, 0, 0},
     1, 1, 2, 2},
};

class SubjectRuleTest : public InTempDirectory {
protected:
    static ScoreCount emptyCount(int items, const MissingCodes& missing)
    {
        ScoreCount count;
        count.observed.assign(6, 0.0);
        count.codes.lowest = 0;
        count.codes.highest = 1;
        count.missing = missing;
        count.byItem = ItemCodeCounts(items, 2, !missing.empty());
        count.pairs = PairCounts(items, 2, !missing.empty());
        if (!missing.empty())
            count.forms = AnswerForms(items, 2);
        return count;
    }

    static void writeBoth(const Subjects& subjects)
    {
        std::string numbers, table = "q1,q2,q3\n";
        for (const std::vector<int>& codes : subjects)
            for (std::size_t i = 0; i < codes.size(); ++i) {
                numbers += std::to_string(codes[i]) + (i + 1 < codes.size() ? " " : "\n");
                table += std::to_string(codes[i]) + (i + 1 < codes.size() ? "," : "\n");
            }
        write("x.dat", numbers);
        write("x.csv", table);
    }

    static ScoreCount fromTable(const MissingCodes& missing, int threads, const ScoreCounterSettings& settings)
    {
        ScoreSheet sheet;
        TableFault fault;
        EXPECT_EQ(OpenScoreSheet("x.csv", {}, sheet, fault), TableRead::Done);
        ScoreCount count = emptyCount(3, missing);
        std::int64_t subjects = 0;
        EXPECT_EQ(CountSheetScores(sheet, 0, !missing.empty(), count, subjects, fault, threads, settings),
                  SheetCount::Done)
            << fault.describe();
        return count;
    }

    static void expectSame(const ScoreCount& actual, const ScoreCount& wanted, const std::string& reader)
    {
        EXPECT_EQ(actual.observed, wanted.observed) << reader;
        EXPECT_TRUE(actual.byItem == wanted.byItem) << reader << ": the counts by item differ";
        EXPECT_TRUE(actual.pairs == wanted.pairs) << reader << ": the counts by pair differ";
        EXPECT_TRUE(actual.forms == wanted.forms) << reader << ": the forms differ";
        EXPECT_TRUE(actual.codes == wanted.codes) << reader << ": the codes outside differ";
    }
};

}  // namespace

TEST_F(SubjectRuleTest, EveryReaderTakesTheCodesAlike)
{
    for (const RuleCase& c : kCases) {
        SCOPED_TRACE(c.what);
        writeBoth(c.subjects);
        ScoreCount plain = emptyCount(3, c.missing);
        ASSERT_TRUE(CountScores("x.dat", 4, 3, 0, plain));
        EXPECT_EQ(plain.observed, c.observed);
        EXPECT_EQ(plain.forms.withoutAnswers(), c.withoutAnswers);
        EXPECT_EQ(plain.codes.outside, c.outside);
        EXPECT_EQ(plain.codes.firstIndex, c.firstIndex);
        EXPECT_EQ(plain.codes.firstValue, c.firstValue);

        for (const std::uint64_t part : {1u, 5u, 13u}) {
            ScoreCount parts = emptyCount(3, c.missing);
            ASSERT_TRUE(CountSimpleScores("x.dat", 4, 3, 0, parts, 2, {0, part, 32}));
            expectSame(parts, plain, "numbers in parts of " + std::to_string(part));
            expectSame(fromTable(c.missing, 2, {0, part, 32}), plain, "table in parts of " + std::to_string(part));
        }
        expectSame(fromTable(c.missing, 1, {}), plain, "table record by record");
    }
}

// The subjects a file of numbers holds no scores for have codes 0, whether
// the file ends between subjects or inside one; 0 may be a missing code.
TEST_F(SubjectRuleTest, ScoresPastTheFilesEndAreZero)
{
    const struct {
        const char* bytes;
        MissingCodes missing;
        std::vector<double> observed;
        std::uint64_t withoutAnswers;
    } cases[] = {
        {"1 1 1\n1 0", {}, {3, 1, 0, 1, 0, 0}, 0},
        {"1 1 1\n1 0", MissingCodes({9}), {3, 1, 0, 1, 0, 0}, 0},
        {"1 1 1\n1 0", MissingCodes({0}), {0, 1, 0, 1, 0, 0}, 3},
        {"1 1 1\n1 1 9\n", MissingCodes({9}), {3, 0, 1, 1, 0, 0}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        write("x.dat", c.bytes);
        ScoreCount plain = emptyCount(3, c.missing);
        ASSERT_TRUE(CountScores("x.dat", 5, 3, 0, plain));
        EXPECT_EQ(plain.observed, c.observed);
        EXPECT_EQ(plain.forms.withoutAnswers(), c.withoutAnswers);
        for (const std::uint64_t part : {1u, 4u}) {
            ScoreCount parts = emptyCount(3, c.missing);
            ASSERT_TRUE(CountSimpleScores("x.dat", 5, 3, 0, parts, 2, {0, part, 32}));
            expectSame(parts, plain, "numbers in parts of " + std::to_string(part));
        }
    }
}

// A test without items: every subject totals 0, as the model expects of
// each; the parts leave such a count to the plain reader, and a table
// without an item column is refused.
TEST_F(SubjectRuleTest, ATestWithoutItems)
{
    write("x.dat", "1 0 1\n");
    ScoreCount count;
    count.observed.assign(1, 0.0);
    count.codes.highest = 1;
    ASSERT_TRUE(CountScores("x.dat", 3, 0, 0, count));
    EXPECT_EQ(count.observed, std::vector<double>{3});
    EXPECT_FALSE(CountSimpleScores("x.dat", 3, 0, 0, count, 2, {0, 1, 32}));

    write("x.csv", "id\ns1\n");
    ScoreSheet sheet;
    TableFault fault;
    EXPECT_EQ(OpenScoreSheet("x.csv", {"id", {}}, sheet, fault), TableRead::Fault);
    EXPECT_EQ(fault.describe(), "x.csv, line 1: the table has no column of items");
}

namespace {

// What a listener of subjects hears, one line a subject.
class HeardSubjects : public SubjectSink {
public:
    explicit HeardSubjects(int items) : items_(items) {}
    void take(std::string_view id, const SubjectTotal& subject, const unsigned char* categories) override
    {
        std::string line = std::string(id) + ":" + std::to_string(subject.total) + "/" + std::to_string(subject.answered);
        // A subject with a code outside has no categories to read.
        if (subject.outside) {
            lines.push_back(line + " outside");
            return;
        }
        line += " [";
        for (int i = 0; i < items_; ++i)
            line += categories[i] == kNotAnswered ? std::string("-") : std::to_string(categories[i]);
        lines.push_back(line + "]");
    }
    std::vector<std::string> lines;

private:
    int items_;
};

}  // namespace

// The listener of subjects hears every subject once, in the file's order,
// as the counts take it, whichever reader reads it and however many
// threads it was given; a table's subjects come with their identifiers.
TEST_F(SubjectRuleTest, EveryReaderTellsItsSubjectsInOrder)
{
    write("x.dat", "1 9 2\n9 9 9\n0 1 9\n1 1");
    write("x.csv", "id,q1,q2,q3\nann,1,9,2\nbob,NA,9,9\n\"c, d\",0,1,\ndan,1,1,0\n");
    const MissingCodes missing({9});
    const std::vector<std::string> wanted = {":3/2 outside", ":0/0 [---]", ":1/2 [01-]", ":2/3 [110]",
                                             ":0/3 [000]"};
    HeardSubjects numbers(3);
    ScoreCount count = emptyCount(3, missing);
    count.persons = &numbers;
    ASSERT_TRUE(CountScores("x.dat", 5, 3, 0, count));
    EXPECT_EQ(numbers.lines, wanted);
    HeardSubjects scanned(3);
    ScoreCount scannedCount = emptyCount(3, missing);
    scannedCount.persons = &scanned;
    ASSERT_TRUE(CountSimpleScores("x.dat", 5, 3, 0, scannedCount, 2, {0, 4, 32}));
    EXPECT_EQ(scanned.lines, wanted) << "one part, in order, whatever the parts asked for";
    expectSame(scannedCount, count, "numbers scanned");

    HeardSubjects table(3);
    ScoreSheet sheet;
    TableFault fault;
    ASSERT_EQ(OpenScoreSheet("x.csv", {"id", {}}, sheet, fault), TableRead::Done);
    ScoreCount tableCount = emptyCount(3, missing);
    tableCount.persons = &table;
    std::int64_t subjects = 0;
    ASSERT_EQ(CountSheetScores(sheet, 0, true, tableCount, subjects, fault, 2, {0, 4, 32}), SheetCount::Done);
    EXPECT_EQ(table.lines, (std::vector<std::string>{"ann:3/2 outside", "bob:0/0 [---]", "c, d:1/2 [01-]",
                                                     "dan:2/3 [110]"}));
}
