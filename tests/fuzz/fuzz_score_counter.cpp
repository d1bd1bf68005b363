// The parallel score counter against the plain reader on the same bytes:
// small parts and reading pieces put boundaries everywhere, on 1, 2 and 3
// threads and every vector path. Whenever the counter takes a file its
// counts and its notes (values read, where reading failed, whether more
// follows, codes outside the range, the subjects by total and item, by
// pair, by form with missing codes) must be the reader's; when it declines
// it must have changed nothing. A listener of subjects hears them in the
// reader's order from both (their categories where all codes are in
// range), or none from a counter that declines.

#include <string>
#include <string_view>
#include <vector>

#include "input/ScoreCounter.h"
#include "kernels/VectorPath.h"
#include "tests/fuzz/FuzzFile.h"

namespace {

// Each subject heard, as bytes: its total, answers, outside, categories.
class HeardSubjects : public SubjectSink {
public:
    explicit HeardSubjects(int items) : items_(items) {}
    void take(std::string_view id, const SubjectTotal& subject, const unsigned char* categories) override
    {
        // A subject with a code outside has no categories to compare.
        heard += std::string(id) + std::to_string(subject.total) + "/" + std::to_string(subject.answered) +
                 (subject.outside ? "!" : ":" + std::string(reinterpret_cast<const char*>(categories), items_)) + ";";
    }
    std::string heard;

private:
    std::size_t items_;
};

}  // namespace

// Four bytes of sizes, then the score file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    enterScratchFolder();
    writeFile("x.dat", std::string(reinterpret_cast<const char*>(data) + 4, size - 4));
    const int items = 1 + data[0] % 8;
    const std::int64_t subjects = 1 + data[1] % 64;
    const std::int64_t firstScore = data[0] >> 7;
    const ScoreCounterSettings settings{0, 1u + data[2] % 128u, 32u + data[3] % 64u};
    const std::size_t rows = static_cast<std::size_t>(items) * 12 + 1;

    const MissingCodes missing[] = {{}, MissingCodes({9}), MissingCodes({0, 12}), MissingCodes({1, 99})};
    ScoreCount empty;
    empty.observed.assign(rows, 0.0);
    empty.codes.lowest = static_cast<std::int32_t>(firstScore);
    empty.codes.highest = empty.codes.lowest + data[1] % 3;
    empty.missing = missing[data[3] >> 6];
    const int categories = empty.codes.highest - empty.codes.lowest + 1;
    empty.byItem = ItemCodeCounts(items, categories, !empty.missing.empty());
    empty.pairs = PairCounts(items, categories, !empty.missing.empty());
    if (!empty.missing.empty())
        empty.forms = AnswerForms(items, categories);
    ScoreCount wanted = empty;
    HeardSubjects plain(items);
    wanted.persons = &plain;
    FUZZ_CHECK(CountScores("x.dat", subjects, items, firstScore, wanted));
    wanted.persons = nullptr;
    for (const VectorPath path : AvailableVectorPaths()) {
        UseVectorPath(path);
        for (int threads = 1; threads <= 3; ++threads) {
            ScoreCount count = empty;
            const ScoreCount& expected =
                CountSimpleScores("x.dat", subjects, items, firstScore, count, threads, settings) ? wanted : empty;
            FUZZ_CHECK(count.observed == expected.observed);
            FUZZ_CHECK(count.file == expected.file);
            FUZZ_CHECK(count.codes == expected.codes);
            FUZZ_CHECK(count.byItem == expected.byItem);
            FUZZ_CHECK(count.pairs == expected.pairs);
            FUZZ_CHECK(count.forms == expected.forms);
            ScoreCount inOrder = empty;
            HeardSubjects heard(items);
            inOrder.persons = &heard;
            const bool taken = CountSimpleScores("x.dat", subjects, items, firstScore, inOrder, threads, settings);
            FUZZ_CHECK(heard.heard == (taken ? plain.heard : std::string()));
            inOrder.persons = nullptr;
            FUZZ_CHECK(inOrder.observed == (taken ? wanted : empty).observed);
        }
    }
    return 0;
}
