#include "fit/ScoreCounter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <atomic>
#include <limits>
#include <system_error>

#include "fit/InputReader.h"
#include "fit/ScoreScan.h"
#include "fit/VectorKernels.h"
#include "fit/VectorPath.h"
#include "fit/Workers.h"

namespace {

constexpr std::size_t kLargestTable = 1u << 20;
// What the workers' buffers and histograms may take together, however
// many processors the machine has.
constexpr std::size_t kWorkerMemory = 64u << 20;

CategorySinks sinksOf(ScoreCount& count)
{
    return {count.byItem.items() > 0 ? &count.byItem : nullptr, count.pairs.items() > 0 ? &count.pairs : nullptr};
}

struct File {
    explicit File(const std::string& path) : handle(std::fopen(path.c_str(), "rb")) {}
    ~File()
    {
        if (handle)
            std::fclose(handle);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    std::FILE* handle;
};

bool seek(std::FILE* file, std::uint64_t offset)
{
    return offset <= static_cast<std::uint64_t>(std::numeric_limits<long>::max()) &&
           std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

// Calls use(bytes, count) piece by piece over [begin, end); false when the
// file cannot be read there.
template <typename Use>
bool readRange(const std::string& path, std::uint64_t begin, std::uint64_t end, std::vector<unsigned char>& piece,
               Use use)
{
    File file(path);
    if (!file.handle || !seek(file.handle, begin))
        return false;
    for (std::uint64_t at = begin; at < end;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), end - at));
        if (std::fread(piece.data(), 1, want, file.handle) != want)
            return false;
        use(piece.data(), want);
        at += want;
    }
    return true;
}

// One part of the file, between two runs of white space.
struct Chunk {
    std::uint64_t begin = 0, end = 0;
    // First pass: its numbers, and whether they are all simple.
    std::int64_t numbers = 0;
    bool simple = true;
    // Second pass, from the numbers before it: the sum it adds to the
    // subject under way when it starts, whether it completes that one, and
    // what it leaves of the subject under way at its end. The subjects it
    // completes go to its thread's histogram.
    std::int64_t headSum = 0;
    bool headCompletes = false;
    std::int64_t tailSum = 0;
    bool tailOpen = false;
    // When items are counted too: the categories of the subject under way
    // at either end, and whether one of its codes is outside the range.
    std::vector<unsigned char> headCategories, tailCategories;
    bool headOutside = false, tailOutside = false;
    // Whether it holds scores outside the model's codes, and then, from a
    // pass of its own, how many and the first.
    bool suspect = false;
    std::int64_t outside = 0;
    std::int64_t firstOutside = -1;  // among all scores
    std::int32_t firstOutsideValue = 0;
};

void countNumbers(const std::string& path, Chunk& chunk, std::vector<unsigned char>& piece)
{
    const VectorKernels& kernels = ActiveKernels();
    NumberScan scan;
    const bool read = readRange(path, chunk.begin, chunk.end, piece, [&](const unsigned char* p, std::size_t n) {
        kernels.scanNumbers(p, n, scan);
    });
    chunk.numbers = scan.numbers;
    chunk.simple = read && scan.simple;
}

bool countSubjects(const std::string& path, Chunk& chunk, std::int64_t firstNumber, std::int64_t lastNumber,
                   int items, std::int64_t firstScore, const CodeNotes& codes, std::vector<std::int64_t>& histogram,
                   const CategorySinks& sinks, std::vector<unsigned char>& piece)
{
    const VectorKernels& kernels = ActiveKernels();
    SubjectScan scan(firstNumber, lastNumber, items, codes.lowest, codes.highest, firstScore, histogram, sinks);
    const bool read = readRange(path, chunk.begin, chunk.end, piece, [&](const unsigned char* p, std::size_t n) {
        kernels.scanSubjects(p, n, scan);
    });
    if (scan.inNumber)
        scan.take(scan.value);
    const int low = '0' + std::clamp(codes.lowest, 0, 10), high = '0' + std::clamp(codes.highest, -1, 9);
    chunk.suspect = scan.suspect || scan.leastDigit < low || scan.mostDigit > high;
    chunk.headSum = scan.headSum;
    chunk.headCompletes = scan.headCompletes;
    chunk.headCategories = std::move(scan.headCategories);
    chunk.headOutside = scan.headOutside;
    if (scan.head) {
        chunk.headSum = scan.total;  // the subject runs on past this chunk
        if (sinks) {
            chunk.headCategories.assign(scan.categories.begin() + scan.firstItem,
                                        scan.categories.begin() + scan.item);
            chunk.headOutside = scan.outside;
        }
    } else if (scan.item != 0) {
        chunk.tailSum = scan.total;
        chunk.tailOpen = true;
        if (sinks) {
            chunk.tailCategories.assign(scan.categories.begin(), scan.categories.begin() + scan.item);
            chunk.tailOutside = scan.outside;
        }
    }
    return read;
}

// The scores of a part outside the model's codes, number by number.
bool noteCodes(const std::string& path, Chunk& chunk, std::int64_t firstNumber, std::int64_t lastNumber,
               const CodeNotes& codes, std::vector<unsigned char>& piece)
{
    std::int64_t g = firstNumber, value = 0;
    bool inNumber = false;
    const auto take = [&] {
        if (g < lastNumber && (value < codes.lowest || value > codes.highest) && chunk.outside++ == 0) {
            chunk.firstOutside = g;
            chunk.firstOutsideValue = static_cast<std::int32_t>(value);
        }
        ++g;
        value = 0;
        inNumber = false;
    };
    const bool read = readRange(path, chunk.begin, chunk.end, piece, [&](const unsigned char* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            if (IsScoreDigit(p[i])) {
                value = value * 10 + (p[i] - '0');
                inNumber = true;
            } else if (inNumber) {
                take();
            }
        }
    });
    if (inNumber)
        take();
    return read;
}

// Whether anything but white space lies at or after offset.
bool somethingFrom(const std::string& path, std::uint64_t offset)
{
    File file(path);
    if (!file.handle || !seek(file.handle, offset))
        return false;
    for (int c; (c = std::fgetc(file.handle)) != EOF;)
        if (!IsScoreSpace(static_cast<unsigned char>(c)))
            return true;
    return false;
}

// Where a chunk should end near offset: after the white space that follows.
std::uint64_t boundaryNear(const std::string& path, std::uint64_t offset, std::uint64_t size)
{
    File file(path);
    if (!file.handle || !seek(file.handle, offset))
        return size;
    for (int c; (c = std::fgetc(file.handle)) != EOF; ++offset)
        if (IsScoreSpace(static_cast<unsigned char>(c)))
            return offset + 1;
    return size;
}

}  // namespace

bool CountScores(const std::string& path, std::int64_t subjects, int items, std::int64_t firstScore,
                 ScoreCount& count)
{
    InputReader in(path);
    if (!in.isOpen())
        return false;
    std::vector<double>& observed = count.observed;
    CodeNotes& codes = count.codes;
    const std::int64_t rows = static_cast<std::int64_t>(observed.size());
    const CategorySinks sinks = sinksOf(count);
    std::vector<unsigned char> categories(sinks ? items : 0);
    std::int64_t j = 0;
    for (; j < subjects && !in.failed(); ++j) {
        std::int64_t total = 0;
        bool inRange = true;
        for (int i = 0; i < items; ++i) {
            const std::int32_t score = in.readInteger();
            total += score;
            const bool outside = score < codes.lowest || score > codes.highest;
            if (outside && !in.failed() && codes.outside++ == 0) {
                codes.firstIndex = j * items + i;
                codes.firstValue = score;
            }
            if (sinks) {
                inRange = inRange && !outside;
                categories[i] = static_cast<unsigned char>(outside ? 0 : score - codes.lowest);
            }
        }
        const std::int64_t row = total - firstScore;
        if (row >= 0 && row < rows)
            observed[static_cast<std::size_t>(row)] += 1.0;
        if (sinks && inRange)
            sinks.add(categories.data());
    }
    if (j < subjects && firstScore <= 0 && -firstScore < rows)
        observed[static_cast<std::size_t>(-firstScore)] += static_cast<double>(subjects - j);
    if (sinks && j < subjects && codes.lowest == 0)
        sinks.addLowest(static_cast<std::uint64_t>(subjects - j));
    count.pairs.flush();
    count.file = NotesOfReading(path, in, subjects * items);
    return true;
}

bool CountSimpleScores(const std::string& path, std::int64_t subjects, int items, std::int64_t firstScore,
                       ScoreCount& count, int threads, const ScoreCounterSettings& settings)
{
    std::vector<double>& observed = count.observed;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    const std::size_t rows = observed.size();
    if (error || threads < 1 || size < settings.smallestFile || rows > kLargestTable || items <= 0 ||
        subjects <= 0 || settings.largestPart == 0 || settings.piece < 32 ||
        !std::filesystem::is_regular_file(path, error))
        return false;
    const std::size_t perWorker =
        settings.piece + rows * sizeof(std::int64_t) + count.byItem.memory() + count.pairs.memory();
    const std::size_t workers = std::clamp<std::size_t>(kWorkerMemory / perWorker, 1, static_cast<std::size_t>(threads));
    const std::int64_t wanted = subjects * items;

    const std::size_t parts = static_cast<std::size_t>(
        std::max<std::uint64_t>(workers, (size + settings.largestPart - 1) / settings.largestPart));
    std::vector<Chunk> chunks(parts);
    std::uint64_t begin = 0;
    for (std::size_t c = 0; c < parts; ++c) {
        chunks[c].begin = begin;
        const std::uint64_t nominal = size / parts * (c + 1) + size % parts * (c + 1) / parts;
        begin = c + 1 == parts ? size : std::max(begin, boundaryNear(path, nominal, size));
        chunks[c].end = begin;
    }

    std::vector<std::vector<unsigned char>> pieces(workers);  // one reading buffer a thread
    const auto onWorkers = [&](std::size_t tasks, const auto& task) {
        std::atomic<std::size_t> next{0};
        RunWorkers(std::min(workers, tasks), [&](std::size_t w) {
            pieces[w].resize(settings.piece);
            for (std::size_t index; (index = next++) < tasks;)
                task(index, w);
        });
    };

    // The numbers of each part, a round of parts at a time, until the run
    // has all it wants; those parts must all be simple.
    std::vector<std::int64_t> firstNumber{0};
    std::size_t used = 0;
    while (used < parts && firstNumber.back() < wanted) {
        const std::size_t round = std::min(workers, parts - used);
        onWorkers(round, [&](std::size_t k, std::size_t w) { countNumbers(path, chunks[used + k], pieces[w]); });
        for (std::size_t k = 0; k < round && firstNumber.back() < wanted; ++k) {
            if (!chunks[used].simple)
                return false;
            firstNumber.push_back(firstNumber.back() + chunks[used++].numbers);
        }
    }
    const std::int64_t available = std::min(firstNumber.back(), wanted);

    std::vector<std::vector<std::int64_t>> histograms(workers, std::vector<std::int64_t>(rows, 0));
    const CategorySinks sinks = sinksOf(count);
    std::vector<ItemCodeCounts> itemCounts(sinks.items ? workers : 0, count.byItem);
    std::vector<PairCounts> pairCounts(sinks.pairs ? workers : 0, count.pairs);
    std::vector<char> read(used);
    onWorkers(used, [&](std::size_t c, std::size_t w) {
        const CategorySinks workerSinks{sinks.items ? &itemCounts[w] : nullptr, sinks.pairs ? &pairCounts[w] : nullptr};
        read[c] = countSubjects(path, chunks[c], firstNumber[c], available, items, firstScore, count.codes,
                                histograms[w], workerSinks, pieces[w]);
    });
    if (std::find(read.begin(), read.end(), 0) != read.end())
        return false;
    std::vector<std::size_t> suspects;
    for (std::size_t c = 0; c < used; ++c)
        if (chunks[c].suspect)
            suspects.push_back(c);
    onWorkers(suspects.size(), [&](std::size_t k, std::size_t w) {
        const std::size_t c = suspects[k];
        read[c] = noteCodes(path, chunks[c], firstNumber[c], available, count.codes, pieces[w]);
    });
    if (std::find(read.begin(), read.end(), 0) != read.end())
        return false;

    // The subjects in file order: those the parts complete, and the ones
    // that run across part boundaries.
    for (const std::vector<std::int64_t>& histogram : histograms)
        for (std::size_t row = 0; row < rows; ++row)
            observed[row] += static_cast<double>(histogram[row]);
    for (const ItemCodeCounts& counts : itemCounts)
        count.byItem.add(counts);
    for (PairCounts& counts : pairCounts) {
        counts.flush();
        count.pairs.add(counts);
    }
    // A subject that ran on past the file's end has codes 0 there.
    std::vector<unsigned char> categories;
    bool outside = false;
    const auto record = [&](std::int64_t total) {
        const std::int64_t row = total - firstScore;
        if (row >= 0 && row < static_cast<std::int64_t>(rows))
            observed[static_cast<std::size_t>(row)] += 1.0;
        if (sinks) {
            outside = outside || (categories.size() < static_cast<std::size_t>(items) && count.codes.lowest != 0);
            categories.resize(items, 0);
            if (!outside)
                sinks.add(categories.data());
        }
    };
    std::int64_t carried = 0;
    bool carrying = false;
    for (std::size_t c = 0; c < used; ++c) {
        const Chunk& chunk = chunks[c];
        if (carrying) {
            carried += chunk.headSum;
            categories.insert(categories.end(), chunk.headCategories.begin(), chunk.headCategories.end());
            outside = outside || chunk.headOutside;
            if (chunk.headCompletes) {
                record(carried);
                carrying = false;
            }
        }
        if (chunk.tailOpen) {
            carried = chunk.tailSum;
            categories = chunk.tailCategories;
            outside = chunk.tailOutside;
            carrying = true;
        }
    }
    // The file ended inside a subject, or before the last ones: what they
    // have, and 0 for every one after.
    std::int64_t counted = available / items;
    if (carrying || (available % items != 0)) {
        record(carried);
        ++counted;
    }
    if (counted < subjects && firstScore <= 0 && -firstScore < static_cast<std::int64_t>(rows))
        observed[static_cast<std::size_t>(-firstScore)] += static_cast<double>(subjects - counted);
    if (sinks && counted < subjects && count.codes.lowest == 0)
        sinks.addLowest(static_cast<std::uint64_t>(subjects - counted));
    count.pairs.flush();

    // What the reader would note: a file of simple numbers can fail only
    // at its end, and only what follows the last number needed is more.
    FileNotes& file = count.file;
    file.name = path;
    file.declared = wanted;
    file.read = available;
    if (available < wanted) {
        file.failedAt = size;
        file.failedAtEnd = true;
    } else {
        file.trailing = firstNumber.back() > wanted || somethingFrom(path, chunks[used - 1].end);
    }
    for (std::size_t c = 0; c < used; ++c) {
        const Chunk& chunk = chunks[c];
        if (chunk.outside > 0 && count.codes.outside == 0) {
            count.codes.firstIndex = chunk.firstOutside;
            count.codes.firstValue = chunk.firstOutsideValue;
        }
        count.codes.outside += chunk.outside;
    }
    return true;
}
