#include "fit/ScoreCounter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

namespace {

// Smaller files are read the general way: threads would not pay.
constexpr std::uintmax_t kSmallestFile = 8u << 20;
constexpr std::size_t kLargestTable = 1u << 20;
constexpr std::size_t kPiece = 1u << 20;

bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

struct File {
    explicit File(const std::string& path) : handle(std::fopen(path.c_str(), "rb")) {}
    ~File()
    {
        if (handle)
            std::fclose(handle);
    }
    std::FILE* handle;
};

// Calls use(bytes, count) piece by piece over [begin, end); false when the
// file cannot be read there.
template <typename Use>
bool readRange(const std::string& path, std::uint64_t begin, std::uint64_t end, Use use)
{
    File file(path);
    if (!file.handle || std::fseek(file.handle, static_cast<long>(begin), SEEK_SET) != 0)
        return false;
    std::vector<unsigned char> piece(kPiece);
    for (std::uint64_t at = begin; at < end;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, end - at));
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
    // Second pass, from the numbers before it: the subjects it completes,
    // the sum it adds to the subject under way when it starts, whether it
    // completes that one, and what it leaves of the subject under way at
    // its end.
    std::vector<std::int64_t> histogram;
    std::int64_t headSum = 0;
    bool headCompletes = false;
    std::int64_t tailSum = 0;
    bool tailOpen = false;
};

void countNumbers(const std::string& path, Chunk& chunk)
{
    unsigned char before = ' ';
    int digits = 0;
    std::int64_t numbers = 0;
    bool simple = true;
    const bool read = readRange(path, chunk.begin, chunk.end, [&](const unsigned char* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char c = p[i];
            if (isDigit(c)) {
                // A leading zero makes an octal number, and ten digits may
                // saturate: both are left to the general reader.
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
    });
    chunk.numbers = numbers;
    chunk.simple = read && simple;
}

bool countSubjects(const std::string& path, Chunk& chunk, std::int64_t firstNumber, std::int64_t lastNumber,
                   int items, std::int64_t firstScore, std::size_t rows)
{
    chunk.histogram.assign(rows, 0);
    std::int64_t g = firstNumber;  // the number's place in the file
    int item = static_cast<int>(g % items);
    bool head = item != 0;
    std::int64_t total = 0, value = 0;
    bool inNumber = false;
    const auto take = [&](std::int64_t number) {
        if (g >= lastNumber)
            return;
        total += number;
        ++g;
        if (++item == items) {
            if (head) {
                chunk.headSum = total;
                chunk.headCompletes = true;
                head = false;
            } else {
                const std::int64_t row = total - firstScore;
                if (row >= 0 && row < static_cast<std::int64_t>(rows))
                    ++chunk.histogram[static_cast<std::size_t>(row)];
            }
            item = 0;
            total = 0;
        }
    };
    const bool read = readRange(path, chunk.begin, chunk.end, [&](const unsigned char* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
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
    });
    if (inNumber)
        take(value);
    if (head) {
        chunk.headSum = total;  // the subject runs on past this chunk
    } else if (item != 0) {
        chunk.tailSum = total;
        chunk.tailOpen = true;
    }
    return read;
}

// Where a chunk should end near offset: after the white space that follows.
std::uint64_t boundaryNear(const std::string& path, std::uint64_t offset, std::uint64_t size)
{
    File file(path);
    if (!file.handle || std::fseek(file.handle, static_cast<long>(offset), SEEK_SET) != 0)
        return size;
    for (int c; (c = std::fgetc(file.handle)) != EOF; ++offset)
        if (isSpace(static_cast<unsigned char>(c)))
            return offset + 1;
    return size;
}

template <typename Work>
void onThreads(std::size_t count, Work work)
{
    std::vector<std::thread> threads;
    std::size_t started = 1;
    for (; started < count; ++started) {
        try {
            threads.emplace_back(work, started);
        } catch (const std::system_error&) {
            break;
        }
    }
    work(0);
    for (std::size_t k = started; k < count; ++k)  // those that could not start
        work(k);
    for (std::thread& thread : threads)
        thread.join();
}

}  // namespace

bool CountSimpleScores(const std::string& path, std::int64_t subjects, int items, std::int64_t firstScore,
                       std::vector<double>& observed, int threads)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    const std::size_t rows = observed.size();
    if (error || threads < 2 || size < kSmallestFile || rows > kLargestTable || items <= 0 || subjects <= 0 ||
        !std::filesystem::is_regular_file(path, error))
        return false;

    std::vector<Chunk> chunks(static_cast<std::size_t>(threads));
    std::uint64_t begin = 0;
    for (std::size_t c = 0; c < chunks.size(); ++c) {
        chunks[c].begin = begin;
        const std::uint64_t nominal = size * (c + 1) / chunks.size();
        begin = c + 1 == chunks.size() ? size : std::max(begin, boundaryNear(path, nominal, size));
        chunks[c].end = begin;
    }
    onThreads(chunks.size(), [&](std::size_t c) { countNumbers(path, chunks[c]); });
    if (!std::all_of(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.simple; }))
        return false;

    const std::int64_t wanted = subjects * items;
    std::vector<std::int64_t> firstNumber(chunks.size() + 1, 0);
    for (std::size_t c = 0; c < chunks.size(); ++c)
        firstNumber[c + 1] = firstNumber[c] + chunks[c].numbers;
    const std::int64_t available = std::min(firstNumber.back(), wanted);
    std::vector<char> read(chunks.size());
    onThreads(chunks.size(), [&](std::size_t c) {
        read[c] = countSubjects(path, chunks[c], std::min(firstNumber[c], wanted), available, items, firstScore, rows);
    });
    if (std::find(read.begin(), read.end(), 0) != read.end())
        return false;

    // The subjects in file order: those each chunk completes, and the ones
    // that run across chunk boundaries.
    const auto record = [&](std::int64_t total) {
        const std::int64_t row = total - firstScore;
        if (row >= 0 && row < static_cast<std::int64_t>(rows))
            observed[static_cast<std::size_t>(row)] += 1.0;
    };
    std::int64_t carried = 0;
    bool carrying = false;
    for (const Chunk& chunk : chunks) {
        for (std::size_t row = 0; row < rows; ++row)
            observed[row] += static_cast<double>(chunk.histogram[row]);
        if (carrying) {
            carried += chunk.headSum;
            if (chunk.headCompletes) {
                record(carried);
                carrying = false;
            }
        }
        if (chunk.tailOpen) {
            carried = chunk.tailSum;
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
    return true;
}
