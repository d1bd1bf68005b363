#include "input/InputReader.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "tests/TempDirectory.h"

namespace {

class InputReaderTest : public InTempDirectory {
protected:
    std::vector<double> reals(const std::string& text, int count)
    {
        write("in.dat", text);
        InputReader in("in.dat");
        std::vector<double> values;
        for (int i = 0; i < count; ++i)
            values.push_back(in.readReal());
        return values;
    }
    std::vector<double> integers(const std::string& text, int count)
    {
        write("in.dat", text);
        InputReader in("in.dat");
        std::vector<double> values;
        for (int i = 0; i < count; ++i)
            values.push_back(in.readInteger());
        return values;
    }
};

struct Case {
    const char* text;
    std::vector<double> expected;
};

TEST_F(InputReaderTest, RealsTakeTheLongestNumberAndStopAtTheFirstFailure)
{
    const Case cases[] = {
        {"1.5 -2.25e1\t.5\n5. +3 1E2 2e-1", {1.5, -22.5, 0.5, 5, 3, 100, 0.2f}},
        {"1,2,3", {1, 0, 0}},                        // commas end the reading
        {"0.25 x 7", {0.25, 0, 0}},                  // never skips a token
        {"inf 1", {0, 0}},
        {"nan 1", {0, 0}},
        {"0x1p3 1", {0, 0}},                         // 0, then x starts no number
        {"1e 5", {1, 0, 0}},                         // exponent without digits
        {"1e+x", {1, 0}},
        {"- 1", {0, 0}},
        {". 1", {0, 0}},
        {"", {0, 0}},
        {"  \r\n\v\f ", {0}},
        {"3.5abc 1", {3.5, 0}},
        {"1.5 2.5 3.5", {1.5, 2.5}},                 // values after the last needed stay unread
        {"\xEF\xBB\xBF-1.5 2", {-1.5, 2}},            // byte order mark
        {"2 \xEF\xBB\xBF 3", {2, 0}},                  // ... only at the start
    };
    for (const Case& c : cases)
        EXPECT_EQ(reals(c.text, static_cast<int>(c.expected.size())), c.expected) << c.text;
}

TEST_F(InputReaderTest, RealsAreCorrectlyRoundedToSinglePrecision)
{
    EXPECT_EQ(reals("0.1", 1)[0], static_cast<double>(0.1f));
    EXPECT_EQ(reals("16777217", 1)[0], 16777216.0);  // tie, rounds to even
    EXPECT_EQ(reals("16777219", 1)[0], 16777220.0);
    // Halfway between 1 and the next float, plus a little: must round up.
    EXPECT_EQ(reals("1.0000000596046447753906250001", 1)[0], static_cast<double>(std::nextafter(1.0f, 2.0f)));
    EXPECT_EQ(reals("1e39", 1)[0], std::numeric_limits<double>::infinity());
    EXPECT_EQ(reals("-123456789012345678901234567890123456789012", 1)[0], -std::numeric_limits<double>::infinity());
    EXPECT_EQ(reals("1e-50", 1)[0], 0.0);
    EXPECT_EQ(reals("0.0000000000000000000000000000000000000000000000000001e-10", 1)[0], 0.0);
    EXPECT_EQ(reals("1e-40", 1)[0], static_cast<double>(1e-40f));  // subnormal, not lost
}

TEST_F(InputReaderTest, IntegersFollowCNotation)
{
    const Case cases[] = {
        {"0 1 -1 +7 42", {0, 1, -1, 7, 42}},
        {"010 0x1F 0X1f -010 -0x10", {8, 31, 31, -8, -16}},
        {"08 1", {0, 8}},                             // octal ends before the 8
        {"1.0 1 1", {1, 0, 0}},                       // the point is no integer
        {"0x 5", {0, 0}},                             // just 0; the x is left over
        {"0xg", {0, 0}},
        {"99999999999 -99999999999 1", {2147483647, -2147483648.0, 1}},
        {"1\n0\t1\r\n", {1, 0, 1, 0}},
        {"abc 1", {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(integers(c.text, static_cast<int>(c.expected.size())), c.expected) << c.text;
}

// Long runs of short numbers take the quick path; signs, several digits and
// the 32-bit edges must read there as anywhere.
TEST_F(InputReaderTest, ShortDecimalsOnTheQuickPath)
{
    const std::string padding(40, ' ');
    EXPECT_EQ(integers("-7 123 -45 +3 -0 99 1 0 " + padding, 8), (std::vector<double>{-7, 123, -45, 3, 0, 99, 1, 0}));
    EXPECT_EQ(integers("123456789 1234567890 -2147483648 2147483647 2147483648 " + padding, 5),
              (std::vector<double>{123456789, 1234567890, -2147483648.0, 2147483647, 2147483647}));
    EXPECT_EQ(integers("-5\t+6\n07 0x1A 1x " + padding, 6), (std::vector<double>{-5, 6, 7, 26, 1, 0}));
}

TEST_F(InputReaderTest, NumbersAcrossBlockBoundaries)
{
    // Blocks are 1 MiB: place numbers so they straddle the first boundary.
    const std::size_t block = 1 << 20;
    for (std::size_t before : {block - 1, block - 3, block, block + 1}) {
        EXPECT_EQ(integers(std::string(before, ' ') + "12345 0x1f", 2), (std::vector<double>{12345, 31}))
            << before;
        EXPECT_EQ(reals(std::string(before, '\n') + "-1.25e+1 7", 2), (std::vector<double>{-12.5, 7}))
            << before;
    }
}

// Where reading stopped, for telling the user: the values read, the byte
// the first failed read found, whether the file had ended there, and
// whether anything follows the last value wanted.
TEST_F(InputReaderTest, SaysWhereReadingStopped)
{
    struct Stop {
        const char* text;
        int reads;
        bool integers;
        std::int64_t read;
        std::uint64_t at;
        bool atEnd;
    };
    const std::string padding(40, ' ');  // the quick integer path, too
    const Stop stops[] = {
        {"1 0 1\r\n0 1", 7, true, 5, 10, true},
        {"1 0 x 1", 4, true, 2, 4, false},
        {"1 0 1.0 1", 4, true, 3, 5, false},
        {"12 0x 1", 3, true, 2, 4, false},
        {"\xEF\xBB\xBF-1.5 2e 7", 3, false, 2, 9, false},
        {"0.5 0.25\n", 3, false, 2, 9, true},
    };
    for (const Stop& stop : stops) {
        for (const std::string& tail : {std::string(), padding}) {
            const bool padded = !tail.empty();
            write("in.dat", stop.text + tail);
            InputReader in("in.dat");
            for (int k = 0; k < stop.reads; ++k)
                stop.integers ? (void)in.readInteger() : (void)in.readReal();
            EXPECT_EQ(in.valuesRead(), stop.read) << stop.text;
            EXPECT_EQ(in.failedAt(), stop.atEnd && padded ? stop.at + tail.size() : stop.at) << stop.text;
            EXPECT_EQ(in.failedAtEnd(), stop.atEnd) << stop.text;
        }
    }
    write("in.dat", "1 2 3 \n\t ");
    InputReader whole("in.dat");
    whole.readInteger();
    whole.readInteger();
    EXPECT_TRUE(whole.hasMore());
    whole.readInteger();
    EXPECT_FALSE(whole.hasMore());
    EXPECT_FALSE(whole.failed());
}

TEST_F(InputReaderTest, OnlyAFileThatCanBeReadIsOpen)
{
    std::filesystem::create_directory("folder");
    for (const char* name : {"no such file", "folder"}) {
        InputReader in(name);
        EXPECT_FALSE(in.isOpen()) << name;
        EXPECT_EQ(in.readInteger(), 0);
        EXPECT_EQ(in.readReal(), 0.0f);
    }
    EXPECT_TRUE(InputReader("/dev/null").isOpen());  // a device reads as an empty file
}

}  // namespace
