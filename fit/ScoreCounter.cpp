#include "fit/ScoreCounter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <atomic>
#include <limits>
#include <system_error>

#include "fit/InputReader.h"
#include "fit/Workers.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kLargestTable = 1u << 20;
// What the workers' buffers and histograms may take together, however
// many processors the machine has.
constexpr std::size_t kWorkerMemory = 64u << 20;

bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Where the counts by category take each subject whose codes are all in
// range.
struct CategorySinks {
    ItemCodeCounts* items = nullptr;
    PairCounts* pairs = nullptr;

    explicit operator bool() const { return items || pairs; }
    void add(const unsigned char* categories) const
    {
        if (items)
            items->addSubject(categories);
        if (pairs)
            pairs->addSubject(categories);
    }
    void addLowest(std::uint64_t count) const
    {
        if (items)
            items->addLowest(count);
        if (pairs)
            pairs->addLowest(count);
    }
};

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

#if defined(__SSE2__)
// The smallest and largest digit characters the blocks held, lane by lane:
// two operations a block, where finding each code outside the model's
// range would cost the count a tenth of its speed.
struct DigitRange {
    __m128i least = _mm_set1_epi8(static_cast<char>(0xFF)), most = _mm_setzero_si128();

    // Whether a digit outside low … high was seen.
    bool outside(char low, char high) const
    {
        alignas(16) unsigned char l[16], m[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(l), least);
        _mm_store_si128(reinterpret_cast<__m128i*>(m), most);
        return *std::min_element(l, l + 16) < static_cast<unsigned char>(low) ||
               *std::max_element(m, m + 16) > static_cast<unsigned char>(high);
    }
};
#else
struct DigitRange {
    bool outside(char, char) const { return false; }  // no blocks without the vector unit
};
#endif

// Sixteen bytes of single-digit numbers between white space, the commonest
// score file by far: where the digits are and what they add up to. False
// for anything else, left to the byte-by-byte loops, as is a number that
// goes on past the block (p[16] must be readable). The caller must not be
// inside a number at p.
struct DigitBlock {
    unsigned digits = 0;  // one bit per byte
    int count = 0, sum = 0;
};

unsigned bitCount(unsigned bits)  // of 16
{
    bits = bits - ((bits >> 1) & 0x5555u);
    bits = (bits & 0x3333u) + ((bits >> 2) & 0x3333u);
    bits = (bits + (bits >> 4)) & 0x0F0Fu;
    return (bits + (bits >> 8)) & 0x1Fu;
}

#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline bool singleDigits(const unsigned char* p, DigitBlock& block, DigitRange* range = nullptr)
{
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)));
    const __m128i space = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')),
                                       _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('\t' - 1)),
                                                     _mm_cmplt_epi8(bytes, _mm_set1_epi8('\r' + 1))));
    const unsigned d = static_cast<unsigned>(_mm_movemask_epi8(digit));
    const unsigned spaces = static_cast<unsigned>(_mm_movemask_epi8(space));
    if ((d | spaces) != 0xFFFF || (d & (d >> 1)) != 0 || ((d & 0x8000) && isDigit(p[16])))
        return false;
    const __m128i sums =
        _mm_sad_epu8(_mm_and_si128(_mm_sub_epi8(bytes, _mm_set1_epi8('0')), digit), _mm_setzero_si128());
    block.digits = d;
    if (range) {
        // Other bytes are below '0': they raise no maximum, and count as
        // 0xFF for the minimum.
        range->most = _mm_max_epu8(range->most, bytes);
        range->least = _mm_min_epu8(range->least, _mm_or_si128(bytes, _mm_cmpeq_epi8(digit, _mm_setzero_si128())));
    }
    block.count = static_cast<int>(bitCount(d));
    block.sum = _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
    return true;
#else
    (void)p;
    (void)block;
    (void)range;
    return false;
#endif
}

// The categories (digit − lowest) of a block's digits, one after another
// into categories; true when a digit is outside lowest … highest. Scores
// one to a byte pair, as a file of single digits and single spaces has
// them, go eight at a time.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline bool storeCategories(const unsigned char* p, unsigned digits, std::int32_t lowest, std::int32_t highest,
                            unsigned char* categories)
{
#if defined(__SSE2__)
    if (digits == 0x5555 || digits == 0xAAAA) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (digits == 0xAAAA)
            bytes = _mm_srli_si128(bytes, 1);
        const __m128i values = _mm_and_si128(_mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>('0' + lowest))),
                                             _mm_set1_epi16(0x00FF));
        const __m128i packed = _mm_packus_epi16(values, _mm_setzero_si128());
        _mm_storel_epi64(reinterpret_cast<__m128i*>(categories), packed);
        // Below lowest wraps round to the top: one unsigned comparison.
        const __m128i limit = _mm_set1_epi8(static_cast<char>(highest - lowest));
        const __m128i over = _mm_cmpeq_epi8(_mm_max_epu8(packed, limit), limit);
        return (_mm_movemask_epi8(over) & 0xFF) != 0xFF;
    }
#endif
    bool outside = false;
    for (; digits != 0; digits &= digits - 1) {
        const unsigned char category = static_cast<unsigned char>(p[__builtin_ctz(digits)] - '0' - lowest);
        outside = outside || category > highest - lowest;
        *categories++ = category;
    }
    return outside;
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
    unsigned char before = ' ';
    int digits = 0;
    std::int64_t numbers = 0;
    bool simple = true;
    const bool read = readRange(path, chunk.begin, chunk.end, piece, [&](const unsigned char* p, std::size_t n) {
        std::size_t i = 0;
        while (i < n) {
            DigitBlock block;
            if (i + 16 < n && digits == 0 && singleDigits(p + i, block)) {
                numbers += block.count;
                before = p[i + 15];
                digits = 0;  // the block ends between numbers
                i += 16;
                continue;
            }
            // Byte by byte to the end of the number under way, so that
            // a block never starts inside one.
            for (const std::size_t end = std::min(n, i + 16); i < n && (i < end || digits > 0); ++i) {
                const unsigned char c = p[i];
                if (isDigit(c)) {
                    // A leading zero makes an octal number, and ten digits
                    // may saturate: both are left to the general reader.
                    if (digits == 0)
                        ++numbers;
                    else if (digits == 1 && before == '0')
                        simple = false;
                    if (++digits > 9)
                        simple = false;
                } else {
                    simple = simple && isSpace(c);
                    digits = 0;
                }
                before = c;
            }
        }
    });
    chunk.numbers = numbers;
    chunk.simple = read && simple;
}

bool countSubjects(const std::string& path, Chunk& chunk, std::int64_t firstNumber, std::int64_t lastNumber,
                   int items, std::int64_t firstScore, const CodeNotes& codes, std::vector<std::int64_t>& histogram,
                   const CategorySinks& sinks, std::vector<unsigned char>& piece)
{
    const std::size_t rows = histogram.size();
    const std::int32_t lowest = codes.lowest, highest = codes.highest;
    DigitRange range;
    std::int64_t g = firstNumber;  // the number's place in the file
    int item = static_cast<int>(g % items);
    const int firstItem = item;
    bool head = item != 0;
    std::int64_t total = 0, value = 0;
    bool inNumber = false;
    std::vector<unsigned char> categories(sinks ? items : 0);
    bool outside = false;  // of the subject under way
    const auto take = [&](std::int64_t number) {
        if (g >= lastNumber)
            return;
        const bool beyond = number < lowest || number > highest;
        chunk.suspect = chunk.suspect || beyond;
        if (sinks) {
            outside = outside || beyond;
            categories[item] = static_cast<unsigned char>(beyond ? 0 : number - lowest);
        }
        total += number;
        ++g;
        if (++item == items) {
            if (head) {
                chunk.headSum = total;
                chunk.headCompletes = true;
                if (sinks) {
                    chunk.headCategories.assign(categories.begin() + firstItem, categories.end());
                    chunk.headOutside = outside;
                }
                head = false;
            } else {
                const std::int64_t row = total - firstScore;
                if (row >= 0 && row < static_cast<std::int64_t>(rows))
                    ++histogram[static_cast<std::size_t>(row)];
                if (sinks && !outside)
                    sinks.add(categories.data());
            }
            item = 0;
            total = 0;
            outside = false;
        }
    };
    const bool read = readRange(path, chunk.begin, chunk.end, piece, [&](const unsigned char* p, std::size_t n) {
        std::size_t i = 0;
        while (i < n) {
            // A block inside one subject adds its digits at once.
            DigitBlock block;
            if (i + 16 < n && !inNumber && singleDigits(p + i, block, &range) && item + block.count < items &&
                g + block.count <= lastNumber) {
                if (sinks)
                    outside = storeCategories(p + i, block.digits, lowest, highest, categories.data() + item) || outside;
                total += block.sum;
                item += block.count;
                g += block.count;
                i += 16;
                continue;
            }
            for (const std::size_t end = std::min(n, i + 16); i < n && (i < end || inNumber); ++i) {
                const unsigned char c = p[i];
                if (isDigit(c)) {
                    value = value * 10 + (c - '0');
                    inNumber = true;
                } else if (inNumber) {
                    take(value);
                    value = 0;
                    inNumber = false;
                }
            }
        }
    });
    if (inNumber)
        take(value);
    chunk.suspect = chunk.suspect || range.outside(static_cast<char>('0' + std::clamp(lowest, 0, 10)),
                                                   static_cast<char>('0' + std::clamp(highest, -1, 9)));
    if (head) {
        chunk.headSum = total;  // the subject runs on past this chunk
        if (sinks) {
            chunk.headCategories.assign(categories.begin() + firstItem, categories.begin() + item);
            chunk.headOutside = outside;
        }
    } else if (item != 0) {
        chunk.tailSum = total;
        chunk.tailOpen = true;
        if (sinks) {
            chunk.tailCategories.assign(categories.begin(), categories.begin() + item);
            chunk.tailOutside = outside;
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
            if (isDigit(p[i])) {
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
        if (!isSpace(static_cast<unsigned char>(c)))
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
        if (isSpace(static_cast<unsigned char>(c)))
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
