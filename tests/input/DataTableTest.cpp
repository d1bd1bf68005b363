#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "input/DataTable.h"
#include "input/ParameterTable.h"
#include "input/ScoreSheet.h"
#include "tests/TempDirectory.h"

namespace {

using Records = std::vector<std::vector<std::string>>;

struct Read {
    TableRead result;
    TableHeader header;
    Records records;
    std::vector<std::int64_t> lines;
    TableFault fault;
};

Read readAll(const std::string& name)
{
    Read read;
    read.result = ReadTable(name, read.header, read.fault, [&](const std::vector<std::string>& fields, std::int64_t line) {
        read.records.push_back(fields);
        read.lines.push_back(line);
        return true;
    });
    return read;
}

class DataTableTest : public InTempDirectory {};

struct ReadingCase {
    const char* what;
    const char* name;
    std::string bytes;
    std::vector<std::string> header;
    char separator;
    Records records;
    std::vector<std::int64_t> lines;
};

TEST_F(DataTableTest, ReadingRules)
{
    const ReadingCase cases[] = {
        {"commas", "t.csv", "a,b\n1,2\n3,4\n", {"a", "b"}, ',', {{"1", "2"}, {"3", "4"}}, {2, 3}},
        {"tabs", "t.csv", "a\tb\n1\t2\n", {"a", "b"}, '\t', {{"1", "2"}}, {2}},
        {"semicolons, decimal commas in the cells", "t.csv", "a;b\n1,5;2\n", {"a", "b"}, ';', {{"1,5", "2"}}, {2}},
        {"quotes: separators, doubled quotes and a line end within", "t.csv",
         "\"a,x\",b\n\"1\"\"2\",\"3\n4\"\n5,6\n", {"a,x", "b"}, ',', {{"1\"2", "3\n4"}, {"5", "6"}}, {2, 4}},
        {"byte order mark, CR LF, no last line end", "t.csv", "\xEF\xBB\xBFid,q1\r\n7,1\r\n8,0", {"id", "q1"}, ',',
         {{"7", "1"}, {"8", "0"}}, {2, 3}},
        {"empty lines at the end", "t.csv", "a,b\n1,2\n\n\r\n\n", {"a", "b"}, ',', {{"1", "2"}}, {2}},
        {"blanks around fields", "t.csv", "a , b\n 1 , 2 \n", {"a", "b"}, ',', {{"1", "2"}}, {2}},
        {"empty cells", "t.csv", "a,b\n,\n1,\n", {"a", "b"}, ',', {{"", ""}, {"1", ""}}, {2, 3}},
        {"one column of a .tsv", "t.tsv", "x\n1\n2\n", {"x"}, '\t', {{"1"}, {"2"}}, {2, 3}},
        {"one column, an empty line within", "t.csv", "x\n1\n\n2\n", {"x"}, ',', {{"1"}, {""}, {"2"}}, {2, 3, 4}},
        {"header only", "t.csv", "a,b\n", {"a", "b"}, ',', {}, {}},
    };
    for (const ReadingCase& c : cases) {
        write(c.name, c.bytes);
        const Read read = readAll(c.name);
        ASSERT_EQ(read.result, TableRead::Done) << c.what << ": " << read.fault.describe();
        EXPECT_EQ(read.header.names, c.header) << c.what;
        EXPECT_EQ(read.header.separator, c.separator) << c.what;
        EXPECT_EQ(read.records, c.records) << c.what;
        EXPECT_EQ(read.lines, c.lines) << c.what;
    }
    TableHeader header;
    TableFault fault;
    EXPECT_EQ(ReadTable("absent.csv", header, fault), TableRead::NotOpened);
    EXPECT_TRUE(IsTableFileName("x.CSV") && IsTableFileName("a/b.tsv") && !IsTableFileName("x.dat") &&
                !IsTableFileName("csv"));
}

TEST_F(DataTableTest, FaultsNameTheLineAndColumn)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a,b\n1,2\n3\n", "t.csv, line 3: 1 field, where the header has 2"},
        {"a,b\n1,2,3\n", "t.csv, line 2: 3 fields, where the header has 2"},
        {"a,b\n1,2\n\n3,4\n", "t.csv, line 3: 1 field, where the header has 2"},
        {"a,b\r\n\"x\ny\",2\r\n1\r\n", "t.csv, line 4: 1 field, where the header has 2"},
        {"a,a\n", "t.csv, line 1, column \"a\": the name is given to two columns"},
        {"a,\n", "t.csv, line 1: a column has no name"},
        {"a,,b\n", "t.csv, line 1: a column has no name"},
        {"", "t.csv: there is no header line"},
        {"\n\n", "t.csv: there is no header line"},
        {"a,b\n1,\"2\n", "t.csv, line 2: a quoted field is not closed before the file ends"},
        {"a,b\n1,x\"y\n",
         "t.csv, line 2, column \"b\": a quote out of place (a quoted field is closed by a quote before the "
         "separator, and a quote within a field is written twice)"},
    };
    for (const auto& [bytes, said] : cases) {
        write("t.csv", bytes);
        const Read read = readAll("t.csv");
        EXPECT_EQ(read.result, TableRead::Fault) << bytes;
        EXPECT_EQ(read.fault.describe(), said) << bytes;
    }
}

TEST(TableCellTest, MissingAndWholeNumbers)
{
    for (const char* missing : {"", " ", "NA", "na", "Na", " nA ", "."})
        EXPECT_TRUE(IsMissingCell(missing)) << missing;
    for (const char* answer : {"0", "N", "NaN", "..", "n/a"})
        EXPECT_FALSE(IsMissingCell(answer)) << answer;
    const std::pair<const char*, std::int32_t> whole[] = {
        {"0", 0}, {" 12 ", 12}, {"+3", 3}, {"-1", -1}, {"007", 7}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}};
    for (const auto& [text, value] : whole) {
        std::int32_t read = 99;
        EXPECT_TRUE(ReadWholeNumber(text, read) && read == value) << text;
    }
    for (const char* bad : {"1.0", "1e2", "x", "-", "2147483648", "99999999999", "1 2", "0x1"}) {
        std::int32_t read = 0;
        EXPECT_FALSE(ReadWholeNumber(bad, read)) << bad;
    }
}

class ScoreSheetTest : public InTempDirectory {
protected:
    // A binary count of the sheet's items, by item, pair and form.
    static ScoreCount emptyCount(int items, std::size_t rows, const MissingCodes& missing, bool answersMissing)
    {
        ScoreCount count;
        count.observed.assign(rows, 0.0);
        count.codes.lowest = 0;
        count.codes.highest = 1;
        count.missing = missing;
        count.byItem = ItemCodeCounts(items, 2, answersMissing);
        count.pairs = PairCounts(items, 2, answersMissing);
        if (answersMissing)
            count.forms = AnswerForms(items, 2);
        return count;
    }
    struct Counted {
        SheetCount result;
        ScoreCount count;
        std::int64_t subjects = 0;
        TableFault fault;
    };
    static Counted count(const ScoreSheet& sheet, bool answersMissing, int threads,
                         const ScoreCounterSettings& settings = {}, const MissingCodes& missing = {})
    {
        Counted c{SheetCount::Done, emptyCount(sheet.items(), static_cast<std::size_t>(sheet.items()) + 1, missing,
                                               answersMissing), 0, {}};
        c.result = CountSheetScores(sheet, 0, answersMissing, c.count, c.subjects, c.fault, threads, settings);
        return c;
    }
    static ScoreSheet open(const std::string& name, const ScoreColumns& columns = {})
    {
        ScoreSheet sheet;
        TableFault fault;
        EXPECT_EQ(OpenScoreSheet(name, columns, sheet, fault), TableRead::Done) << fault.describe();
        return sheet;
    }
};

TEST_F(ScoreSheetTest, ColumnsAndCellsWithoutAnswers)
{
    write("s.csv", "id,q1,q2,q3\ns1,1,0,NA\ns2,.,1,1\ns3,na,,0\ns4,1,1,1\n");
    const ScoreSheet sheet = open("s.csv", {"id", {"q3", "q1"}});
    EXPECT_EQ(sheet.itemNames(), (std::vector<std::string>{"q3", "q1"}));
    EXPECT_EQ(count(sheet, false, 1).result, SheetCount::AnswersMissing);
    const Counted c = count(sheet, true, 1);
    ASSERT_EQ(c.result, SheetCount::Done) << c.fault.describe();
    EXPECT_EQ(c.subjects, 4);
    EXPECT_EQ(c.count.observed, (std::vector<double>{1, 2, 1}));  // totals 1, 1, 0, 2
    ASSERT_EQ(c.count.forms.forms().size(), 3u);
    EXPECT_EQ(c.count.forms.missingAnswers(), 3u);
    EXPECT_EQ(c.count.file.declared, 8);

    // R's row names, under an empty first name, are the identifiers.
    write("r.csv", "\"\",\"q1\",\"q2\"\n\"1\",1,0\n\"2\",NA,1\n");
    EXPECT_EQ(open("r.csv").itemNames(), (std::vector<std::string>{"q1", "q2"}));
    EXPECT_EQ(count(open("r.csv"), true, 1).count.observed, (std::vector<double>{0, 2, 0}));

    // Every other column is an item, the identifiers' excepted.
    EXPECT_EQ(open("s.csv", {"id", {}}).itemNames(), (std::vector<std::string>{"q1", "q2", "q3"}));
    EXPECT_EQ(open("s.csv").items(), 4);

    const std::pair<ScoreColumns, std::string> refused[] = {
        {{"ident", {}}, "s.csv, line 1, column \"ident\": there is no such column for the subjects' identifiers"},
        {{"id", {"q1", "q4"}}, "s.csv, line 1, column \"q4\": there is no such item column"},
        {{"id", {"q1", "id"}}, "s.csv, line 1, column \"id\": the subjects' identifiers cannot be an item"},
        {{"", {"q1", "q1"}}, "s.csv, line 1, column \"q1\": the column is named twice among the items"},
    };
    for (const auto& [columns, said] : refused) {
        ScoreSheet sheet;
        TableFault fault;
        EXPECT_EQ(OpenScoreSheet("s.csv", columns, sheet, fault), TableRead::Fault);
        EXPECT_EQ(fault.describe(), said);
    }
    write("one.csv", "id\ns1\n");
    ScoreSheet none;
    TableFault fault;
    EXPECT_EQ(OpenScoreSheet("one.csv", {"id", {}}, none, fault), TableRead::Fault);
    EXPECT_EQ(fault.describe(), "one.csv, line 1: the table has no column of items");
}

TEST_F(ScoreSheetTest, CodesThatAreNotWholeNumbers)
{
    for (const char* cell : {"x", "1.0", "\"1 2\""}) {
        write("s.csv", std::string("id,q1,q2\ns1,1,0\ns2,0,") + cell + "\n");
        const Counted c = count(open("s.csv", {"id", {}}), true, 1);
        EXPECT_EQ(c.result, SheetCount::Fault);
        EXPECT_EQ(c.fault.line, 3) << cell;
        EXPECT_EQ(c.fault.column, "q2") << cell;
        EXPECT_NE(c.fault.what.find("is not a whole number"), std::string::npos) << c.fault.what;
    }
}

// Tables of every kind the parts take or refuse, counted in parts of every
// size and on several threads, give what the reader gives record by
// record.
TEST_F(ScoreSheetTest, PartsCountAsRecordByRecord)
{
    std::mt19937 random(7);
    const auto table = [&](int subjects, int items, double missingShare, bool crlf, const std::string& odd) {
        std::string text = "student";
        for (int i = 0; i < items; ++i)
            text += ",i" + std::to_string(i);
        text += crlf ? "\r\n" : "\n";
        std::uniform_real_distribution<double> u(0.0, 1.0);
        for (int j = 0; j < subjects; ++j) {
            // odd: quoted identifiers, and one with a quote within.
            const bool quoted = odd == "\"" || odd == "\"\"";
            text += quoted ? "\"s" + std::to_string(j) + (odd.size() == 2 && j == subjects / 2 ? "\"\"x\"" : "\"")
                           : "s" + std::to_string(j);
            for (int i = 0; i < items; ++i) {
                const double draw = u(random);
                text += ",";
                text += draw < missingShare / 3 ? "" : draw < missingShare / 1.5 ? "NA" : draw < missingShare ? "9" : (draw < 0.6 ? "1" : "0");
            }
            if (j == subjects / 2 && !quoted)
                text += odd;
            text += crlf ? "\r\n" : "\n";
        }
        return text;
    };
    struct Case {
        const char* what;
        std::string bytes;
        bool answersMissing;
    };
    const Case cases[] = {
        {"complete", table(60, 5, 0.0, false, ""), false},
        {"complete, CR LF", table(60, 5, 0.0, true, ""), false},
        {"answers missing", table(60, 5, 0.3, false, ""), true},
        {"answers missing, CR LF", table(60, 7, 0.2, true, ""), true},
        {"a quoted cell", table(60, 5, 0.2, false, ",\"1\""), true},
        {"a long line", table(60, 5, 0.2, false, ",0"), true},
        {"quoted identifiers", table(60, 5, 0.0, true, "\""), false},
        {"a quote within a quoted identifier", table(60, 5, 0.1, false, "\"\""), true},
    };
    const MissingCodes nine({9});
    for (const Case& c : cases) {
        write("t.csv", c.bytes);
        const ScoreSheet sheet = open("t.csv", {"student", {}});
        const MissingCodes missing = c.answersMissing ? nine : MissingCodes();
        const Counted plain = count(sheet, c.answersMissing, 1, {}, missing);
        for (const int threads : {1, 2, 3})
            for (const std::uint64_t part : {1u, 7u, 40u, 333u}) {
                const ScoreCounterSettings settings{0, part, 32};
                const Counted parts = count(sheet, c.answersMissing, threads, settings, missing);
                const std::string where = std::string(c.what) + ", " + std::to_string(threads) + " threads, parts of " +
                                          std::to_string(part);
                ASSERT_EQ(parts.result, plain.result) << where;
                EXPECT_EQ(parts.fault.describe(), plain.fault.describe()) << where;
                EXPECT_EQ(parts.subjects, plain.subjects) << where;
                EXPECT_EQ(parts.count.observed, plain.count.observed) << where;
                EXPECT_TRUE(parts.count.byItem == plain.count.byItem) << where;
                EXPECT_TRUE(parts.count.pairs == plain.count.pairs) << where;
                EXPECT_TRUE(parts.count.forms == plain.count.forms) << where;
                EXPECT_EQ(parts.count.file, plain.count.file) << where;
            }
    }
    // Complete answers counted without the forms: the first empty cell
    // sends the count back to begin again.
    write("t.csv", table(60, 5, 0.3, false, ""));
    EXPECT_EQ(count(open("t.csv", {"student", {}}), false, 2, {0, 40, 32}).result, SheetCount::AnswersMissing);
}

class ParameterTableTest : public InTempDirectory {
protected:
    static ParameterColumns read(const std::string& name, ParameterKind kind, int items, int thresholds,
                                 const std::vector<std::string>& scoreNames, TableFault& fault, TableRead want)
    {
        ParameterColumns columns;
        EXPECT_EQ(ReadParameterColumns(name, kind, items, thresholds, scoreNames, columns, fault), want)
            << fault.describe();
        return columns;
    }
};

TEST_F(ParameterTableTest, NamesMatchedAcrossTablesInAnyOrder)
{
    write("p.csv", "b,item,se_b,a\n0.5,q2,0.1,1.25\n-1,q1,0.2,0.75\n");
    TableFault fault;
    const ParameterColumns b = read("p.csv", ParameterKind::Difficulty, 2, 1, {"q1", "q2"}, fault, TableRead::Done);
    EXPECT_EQ(b.values, (std::vector<float>{-1.0f, 0.5f}));
    EXPECT_EQ(b.names, (std::vector<std::string>{"q1", "q2"}));
    EXPECT_EQ(read("p.csv", ParameterKind::Discrimination, 2, 1, {"q1", "q2"}, fault, TableRead::Done).values,
              (std::vector<float>{0.75f, 1.25f}));
    // Scores without names take the rows in order, and their names.
    const ParameterColumns inOrder = read("p.csv", ParameterKind::Difficulty, 2, 1, {}, fault, TableRead::Done);
    EXPECT_EQ(inOrder.values, (std::vector<float>{0.5f, -1.0f}));
    EXPECT_EQ(inOrder.names, (std::vector<std::string>{"q2", "q1"}));

    // Graded thresholds in another order among other columns, boundary by
    // boundary, item by item within.
    write("g.tsv", "se_b1\tb2\titem\tb1\ta\tb3\tupper\n0\t0.2\tx\t-1\t1.5\t1.1\t1\n0\t0.4\ty\t-0.5\t0.9\t2\t1\n");
    EXPECT_EQ(read("g.tsv", ParameterKind::Thresholds, 2, 3, {"y", "x"}, fault, TableRead::Done).values,
              (std::vector<float>{-0.5f, -1.0f, 0.4f, 0.2f, 2.0f, 1.1f}));
    // The lower asymptote is c, or g.
    write("g.csv", "item,g\nx,0.2\n");
    EXPECT_EQ(read("g.csv", ParameterKind::C, 1, 1, {"x"}, fault, TableRead::Done).values, (std::vector<float>{0.2f}));
}

TEST_F(ParameterTableTest, FaultsNameTheItemOrColumn)
{
    write("p.csv", "item,a,b\nq1,1,0\nq2,1,zz\n");
    write("q.csv", "item,b\nq1,0\nq9,1\n");
    write("n.csv", "b\n0\n1\n2\n");
    write("g.csv", "item,b1,b2,b3,b4\nq1,0,1,2,3\n");
    write("d.csv", "item,b\nq1,0\nq1,1\n");
    struct Case {
        const char* name;
        ParameterKind kind;
        std::vector<std::string> scores;
        int thresholds;
        const char* said;
    };
    const Case cases[] = {
        {"p.csv", ParameterKind::Difficulty, {"q1", "q2"}, 1,
         "p.csv, line 3, column \"b\": \"zz\" is not a number of single precision"},
        {"p.csv", ParameterKind::C, {"q1", "q2"}, 1, "p.csv, line 1, column \"c\": there is no such column"},
        {"q.csv", ParameterKind::Difficulty, {"q1", "q2"}, 1,
         "q.csv, column \"item\": the item \"q2\" of the scores is not in the table"},
        {"q.csv", ParameterKind::Difficulty, {"q1"}, 1, "q.csv, line 3, column \"item\": the item \"q9\" is not among the scores"},
        {"n.csv", ParameterKind::Difficulty, {}, 1, "n.csv: 3 items, where the scores have 2"},
        {"g.csv", ParameterKind::Thresholds, {"q1"}, 3, "g.csv, line 1, column \"b4\": more thresholds than the 3 of 4 categories"},
        {"d.csv", ParameterKind::Difficulty, {"q1"}, 1, "d.csv, line 3, column \"item\": the item \"q1\" is given twice"},
    };
    for (const Case& c : cases) {
        TableFault fault;
        read(c.name, c.kind, 2, c.thresholds, c.scores, fault, TableRead::Fault);
        EXPECT_EQ(fault.describe(), c.said);
    }
    EXPECT_EQ(ThresholdColumnsOf("g.csv"), 4);
    EXPECT_EQ(ThresholdColumnsOf("p.csv"), 0);
    EXPECT_TRUE(TableHasColumn("p.csv", "a"));
    EXPECT_FALSE(TableHasColumn("q.csv", "a"));
}

}  // namespace
