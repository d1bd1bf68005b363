// The batch runner's command line: words separated by NUL bytes. A line it
// accepts gives a request an engine can take.

#include <vector>

#include "tests/fuzz/FuzzFile.h"
#include "tools/BatchOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> words{"talver-fit"};
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const char*> argv;
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    const BatchOptions options = ParseBatchOptions(static_cast<int>(argv.size()), argv.data());
    if (options.help || options.version || !options.error.empty())
        return 0;
    const FitRequest& r = options.request;
    FUZZ_CHECK(r.subjectCount >= 1);
    FUZZ_CHECK(r.itemCount >= 1);
    FUZZ_CHECK(r.parameterCount >= 1 && r.parameterCount <= 3);
    FUZZ_CHECK(r.nodeCount >= 1);
    FUZZ_CHECK(!r.scoreFile.empty() || words.size() > 1);
    FUZZ_CHECK(r.metric == 0 || r.metric == 1);
    if (r.parameterCount == 1)
        FUZZ_CHECK(static_cast<float>(r.discriminationConstant) != 0.0f);
    if (options.kind != FitModel::Kind::Binary)
        FUZZ_CHECK(r.categoryCount >= 1 && r.categoryCount <= 100);
    return 0;
}
