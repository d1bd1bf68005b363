// The parallel score counter against the plain reader on the same bytes:
// small parts and reading pieces put boundaries everywhere, on 1, 2 and 3
// threads. Whenever the counter takes a file its counts must be the
// reader's; when it declines it must have counted nothing.

#include <vector>

#include "fit/ScoreCounter.h"
#include "tests/fuzz/FuzzFile.h"

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

    std::vector<double> wanted(rows, 0.0);
    FUZZ_CHECK(CountScores("x.dat", subjects, items, firstScore, wanted));
    for (int threads = 1; threads <= 3; ++threads) {
        std::vector<double> observed(rows, 0.0);
        if (CountSimpleScores("x.dat", subjects, items, firstScore, observed, threads, settings))
            FUZZ_CHECK(observed == wanted);
        else
            FUZZ_CHECK(observed == std::vector<double>(rows, 0.0));
    }
    return 0;
}
