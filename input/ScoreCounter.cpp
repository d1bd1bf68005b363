#include "input/ScoreCounter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

#include "input/InputReader.h"
#include "input/ReadOnlyFile.h"
#include "input/ScanKernels.h"
#include "input/ScoreScan.h"
#include "input/SubjectRule.h"
#include "kernels/VectorPath.h"
#include "kernels/Workers.h"

namespace {

constexpr std::size_t kLargestTable = 1u << 20;
// What the part counters' reading buffers, histograms and counts may
// take together, however many processors the machine has.
constexpr std::size_t kPartCountersMemory = 64u << 20;

// Calls use(bytes, count) piece by piece over [begin, end); false when the
// file cannot be read there.
template <typename Use>
bool readRange(const std::string& path, std::uint64_t begin, std::uint64_t end, std::vector<unsigned char>& piece,
               Use use)
{
    ReadOnlyFile file(path);
    if (!file.handle || !file.seek(begin))
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
    // Second pass, from the numbers before it: what it adds to the subject
    // under way when it starts, whether it completes that one, and what it
    // leaves of the subject under way at its end. The subjects it completes
    // go to its thread's histogram.
    SubjectUnderWay head, tail;
    bool headCompletes = false, tailOpen = false;
    // Whether it holds scores outside the model's codes, and then, from a
    // pass of its own, how many and the first (its place among all scores).
    bool suspect = false;
    CodeNotes codes;
};

void countNumbers(const std::string& path, Chunk& chunk, std::vector<unsigned char>& piece)
{
    const ScanKernels& kernels = ActiveScanKernels();
    NumberScan scan;
    const bool read = readRange(path, chunk.begin, chunk.end, piece, [&](const unsigned char* p, std::size_t n) {
        kernels.scanNumbers(p, n, scan);
    });
    chunk.numbers = scan.numbers;
    chunk.simple = read && scan.simple;
}

// What a part's subject scan leaves for the stitching.
void endSubjects(SubjectScan& scan, const CodeRule& rule, Chunk& chunk)
{
    if (scan.inNumber)
        scan.take(scan.value);
    const int low = '0' + std::clamp(rule.lowest(), 0, 10), high = '0' + std::clamp(rule.highest(), -1, 9);
    chunk.suspect = scan.suspect || scan.leastDigit < low || scan.mostDigit > high;
    chunk.headCompletes = scan.headCompletes;
    if (scan.head) {
        chunk.head = scan.underWay(scan.firstItem);  // the subject runs on past this chunk
    } else {
        chunk.head = std::move(scan.headPart);
        chunk.tailOpen = scan.item != 0;
        if (chunk.tailOpen)
            chunk.tail = scan.underWay(0);
    }
}

bool countSubjects(const std::string& path, Chunk& chunk, std::int64_t firstNumber, std::int64_t lastNumber,
                   int items, std::int64_t firstScore, const CodeRule& rule, std::vector<std::int64_t>& histogram,
                   const CategorySinks& sinks, std::vector<unsigned char>& piece)
{
    const ScanKernels& kernels = ActiveScanKernels();
    SubjectScan scan(firstNumber, lastNumber, items, rule, firstScore, histogram, sinks);
    const bool read = readRange(path, chunk.begin, chunk.end, piece, [&](const unsigned char* p, std::size_t n) {
        kernels.scanSubjects(p, n, scan);
    });
    endSubjects(scan, rule, chunk);
    return read;
}

// Both passes over a part in one reading, its first number known: false
// when it cannot be read or holds a number that is not simple, which the
// subject scan never sees.
bool countNumbersAndSubjects(const std::string& path, Chunk& chunk, std::int64_t firstNumber,
                             std::int64_t lastNumber, int items, std::int64_t firstScore, const CodeRule& rule,
                             std::vector<std::int64_t>& histogram, const CategorySinks& sinks,
                             std::vector<unsigned char>& piece)
{
    const ScanKernels& kernels = ActiveScanKernels();
    NumberScan numbers;
    SubjectScan scan(firstNumber, lastNumber, items, rule, firstScore, histogram, sinks);
    const bool read = readRange(path, chunk.begin, chunk.end, piece, [&](const unsigned char* p, std::size_t n) {
        kernels.scanNumbers(p, n, numbers);
        if (numbers.simple)
            kernels.scanSubjects(p, n, scan);
    });
    chunk.numbers = numbers.numbers;
    chunk.simple = read && numbers.simple;
    if (chunk.simple)
        endSubjects(scan, rule, chunk);
    return chunk.simple;
}

// The scores of a part outside the model's codes, number by number.
bool noteCodes(const std::string& path, Chunk& chunk, std::int64_t firstNumber, std::int64_t lastNumber,
               const CodeRule& rule, std::vector<unsigned char>& piece)
{
    std::int64_t g = firstNumber, value = 0;
    bool inNumber = false;
    const auto take = [&] {
        if (g < lastNumber && rule.of(value) == CodeMeaning::Outside)
            chunk.codes.noteOutside(g, static_cast<std::int32_t>(value));
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
    ReadOnlyFile file(path);
    if (!file.handle || !file.seek(offset))
        return false;
    for (int c; (c = std::fgetc(file.handle)) != EOF;)
        if (!IsScoreSpace(static_cast<unsigned char>(c)))
            return true;
    return false;
}

// Where a chunk should end near offset: after the white space that follows.
std::uint64_t boundaryNear(const std::string& path, std::uint64_t offset, std::uint64_t size)
{
    ReadOnlyFile file(path);
    if (!file.handle || !file.seek(offset))
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
    const CategorySinks sinks = SinksOf(count);
    const CodeRule rule(codes.lowest, codes.highest, count.missing);
    // The tally's steps by hand, so that the subject's figures stay in
    // registers while the reader runs.
    const bool keep = static_cast<bool>(sinks);
    std::vector<unsigned char> categories(keep ? items : 0);
    std::int64_t j = 0;
    for (; j < subjects && !in.failed(); ++j) {
        SubjectTotal subject;
        for (int i = 0; i < items; ++i) {
            const std::int32_t score = in.readInteger();
            const CodeMeaning meaning = rule.of(score);
            if (meaning == CodeMeaning::Outside && !in.failed())
                codes.noteOutside(j * items + i, score);
            subject.add(score, meaning);
            if (keep)
                categories[static_cast<std::size_t>(i)] = rule.category(score, meaning);
        }
        CountSubject(subject, items, firstScore, observed, sinks, categories.data());
    }
    ZeroCode(items, rule).countSubjects(subjects - j, firstScore, observed, sinks);
    count.forms.order();
    count.pairs.flush();
    count.file = NotesOfReading(path, in, subjects * items);
    return true;
}

namespace {

// The counter on threads, stage by stage: the file cut into parts at white
// space; the numbers of each part counted, a round of parts at a time,
// until there are enough; the subjects of each part counted, the ones
// running across part boundaries kept aside; the codes outside the range
// noted where a part may hold one; every thread's counts gathered; the
// subjects across boundaries stitched together in file order; what the
// reader would have noted of the file.
class PartCounter {
public:
    PartCounter(const std::string& path, std::int64_t subjects, int items, std::int64_t firstScore, ScoreCount& count,
                std::uint64_t size, std::size_t workers, const ScoreCounterSettings& settings)
        : path_(path),
          subjects_(subjects),
          items_(items),
          firstScore_(firstScore),
          count_(count),
          size_(size),
          workers_(workers),
          settings_(settings),
          wanted_(subjects * items),
          sinks_(SinksOf(count)),
          rule_(count.codes.lowest, count.codes.highest, count.missing),
          zero_(items, rule_),
          pieces_(workers, std::vector<unsigned char>(settings.piece))
    {
    }

    bool run()
    {
        split();
        if (workers_ == 1 && !count_.persons) {
            if (!sweepParts())
                return false;
        } else {
            if (!countNumbersOfParts())
                return false;
            if (count_.persons && used_ > 0)
                joinUsedParts();
            if (!countSubjectsOfParts())
                return false;
        }
        if (!noteOutsideCodes())
            return false;
        gather();
        stitch();
        noteFile();
        return true;
    }

private:
    void split()
    {
        const std::size_t parts = static_cast<std::size_t>(
            std::max<std::uint64_t>(workers_, (size_ + settings_.largestPart - 1) / settings_.largestPart));
        chunks_.resize(parts);
        std::uint64_t begin = 0;
        for (std::size_t c = 0; c < parts; ++c) {
            chunks_[c].begin = begin;
            const std::uint64_t nominal = size_ / parts * (c + 1) + size_ % parts * (c + 1) / parts;
            begin = c + 1 == parts ? size_ : std::max(begin, boundaryNear(path_, nominal, size_));
            chunks_[c].end = begin;
        }
    }

    // False when a part needed holds a number that is not simple.
    bool countNumbersOfParts()
    {
        while (used_ < chunks_.size() && firstNumber_.back() < wanted_) {
            const std::size_t round = std::min(workers_, chunks_.size() - used_);
            RunTasks(workers_, round, [&](std::size_t k, std::size_t w) {
                countNumbers(path_, chunks_[used_ + k], pieces_[w]);
                return true;
            });
            for (std::size_t k = 0; k < round && firstNumber_.back() < wanted_; ++k) {
                if (!chunks_[used_].simple)
                    return false;
                firstNumber_.push_back(firstNumber_.back() + chunks_[used_++].numbers);
            }
        }
        available_ = std::min(firstNumber_.back(), wanted_);
        return true;
    }

    // Subjects told in the file's order: the parts that hold the numbers
    // wanted, read as one.
    void joinUsedParts()
    {
        Chunk whole;
        whole.begin = chunks_.front().begin;
        whole.end = chunks_[used_ - 1].end;
        whole.numbers = firstNumber_[used_];
        chunks_.assign(1, whole);
        firstNumber_ = {0, whole.numbers};
        used_ = 1;
    }

    // Each thread's histogram and counts, empty.
    void startCounts()
    {
        histograms_.assign(workers_, std::vector<std::int64_t>(count_.observed.size(), 0));
        itemCounts_.assign(sinks_.items ? workers_ : 0, count_.byItem);
        pairCounts_.assign(sinks_.pairs ? workers_ : 0, count_.pairs);
        forms_.assign(sinks_.forms ? workers_ : 0, count_.forms);
    }

    CategorySinks sinksOf(std::size_t w)
    {
        return {sinks_.items ? &itemCounts_[w] : nullptr, sinks_.pairs ? &pairCounts_[w] : nullptr,
                sinks_.forms ? &forms_[w] : nullptr, sinks_.persons};
    }

    // On one thread, each part read once for both passes, in order: the
    // parts before it give its first number. Not with persons, who must
    // not hear a subject before the file is known to be simple.
    bool sweepParts()
    {
        startCounts();
        const CategorySinks mine = sinksOf(0);
        while (used_ < chunks_.size() && firstNumber_.back() < wanted_) {
            if (!countNumbersAndSubjects(path_, chunks_[used_], firstNumber_.back(), wanted_, items_, firstScore_,
                                         rule_, histograms_[0], mine, pieces_[0]))
                return false;
            firstNumber_.push_back(firstNumber_.back() + chunks_[used_++].numbers);
        }
        available_ = std::min(firstNumber_.back(), wanted_);
        return true;
    }

    bool countSubjectsOfParts()
    {
        startCounts();
        std::vector<char> read(used_);
        RunTasks(workers_, used_, [&](std::size_t c, std::size_t w) {
            const CategorySinks mine = sinksOf(w);
            read[c] = countSubjects(path_, chunks_[c], firstNumber_[c], available_, items_, firstScore_, rule_,
                                    histograms_[w], mine, pieces_[w]);
            return true;
        });
        return std::find(read.begin(), read.end(), 0) == read.end();
    }

    bool noteOutsideCodes()
    {
        std::vector<std::size_t> suspects;
        for (std::size_t c = 0; c < used_; ++c)
            if (chunks_[c].suspect)
                suspects.push_back(c);
        std::vector<char> read(suspects.size());
        RunTasks(workers_, suspects.size(), [&](std::size_t k, std::size_t w) {
            const std::size_t c = suspects[k];
            read[k] = noteCodes(path_, chunks_[c], firstNumber_[c], available_, rule_, pieces_[w]);
            return true;
        });
        return std::find(read.begin(), read.end(), 0) == read.end();
    }

    void gather()
    {
        std::vector<double>& observed = count_.observed;
        for (const std::vector<std::int64_t>& histogram : histograms_)
            for (std::size_t row = 0; row < observed.size(); ++row)
                observed[row] += static_cast<double>(histogram[row]);
        for (const ItemCodeCounts& counts : itemCounts_)
            count_.byItem.add(counts);
        for (PairCounts& counts : pairCounts_) {
            counts.flush();
            count_.pairs.add(counts);
        }
        for (const AnswerForms& forms : forms_)
            count_.forms.add(forms);
    }

    // A subject complete at last; one that ran on past the file's end has
    // codes 0 there.
    void record(SubjectUnderWay under, std::int64_t numbers)
    {
        zero_.endSubject(under.subject, static_cast<int>(items_ - numbers));
        if (sinks_)
            under.categories.resize(static_cast<std::size_t>(items_), zero_.categories.front());
        CountSubject(under.subject, items_, firstScore_, count_.observed, sinks_, under.categories.data());
    }

    void stitch()
    {
        SubjectUnderWay carried;
        bool carrying = false;
        for (std::size_t c = 0; c < used_; ++c) {
            Chunk& chunk = chunks_[c];
            if (carrying) {
                carried.join(chunk.head);
                if (chunk.headCompletes) {
                    record(std::move(carried), items_);
                    carrying = false;
                }
            }
            if (chunk.tailOpen) {
                carried = std::move(chunk.tail);
                carrying = true;
            }
        }
        // The file ended inside a subject, or before the last ones: what
        // they have, and 0 for every one after.
        std::int64_t counted = available_ / items_;
        if (carrying || (available_ % items_ != 0)) {
            record(std::move(carried), available_ % items_);
            ++counted;
        }
        zero_.countSubjects(subjects_ - counted, firstScore_, count_.observed, sinks_);
        count_.pairs.flush();
        count_.forms.order();
    }

    // What the reader would note: a file of simple numbers can fail only at
    // its end, and only what follows the last number needed is more.
    void noteFile()
    {
        FileNotes& file = count_.file;
        file.name = path_;
        file.declared = wanted_;
        file.read = available_;
        if (available_ < wanted_) {
            file.failedAt = size_;
            file.failedAtEnd = true;
        } else {
            file.trailing = firstNumber_.back() > wanted_ || somethingFrom(path_, chunks_[used_ - 1].end);
        }
        for (std::size_t c = 0; c < used_; ++c)
            count_.codes.add(chunks_[c].codes);
    }

    const std::string& path_;
    const std::int64_t subjects_;
    const int items_;
    const std::int64_t firstScore_;
    ScoreCount& count_;
    const std::uint64_t size_;
    const std::size_t workers_;
    const ScoreCounterSettings& settings_;
    const std::int64_t wanted_;
    const CategorySinks sinks_;
    const CodeRule rule_;
    const ZeroCode zero_;

    std::vector<Chunk> chunks_;
    std::vector<std::vector<unsigned char>> pieces_;  // one reading buffer a thread
    std::size_t used_ = 0;                             // the parts that hold the numbers wanted
    std::vector<std::int64_t> firstNumber_{0};         // of each part used, and after the last
    std::int64_t available_ = 0;                       // the numbers wanted that the file holds
    std::vector<std::vector<std::int64_t>> histograms_;  // by thread
    std::vector<ItemCodeCounts> itemCounts_;
    std::vector<PairCounts> pairCounts_;
    std::vector<AnswerForms> forms_;
};

}  // namespace

std::size_t PartWorkers(const std::string& path, const ScoreCount& count, int threads,
                        const ScoreCounterSettings& settings, std::uint64_t& size)
{
    std::error_code error;
    size = std::filesystem::file_size(path, error);
    const std::size_t rows = count.observed.size();
    if (error || threads < 1 || size < settings.smallestFile || rows > kLargestTable || settings.largestPart == 0 ||
        settings.piece < 32 || !std::filesystem::is_regular_file(path, error))
        return 0;
    const std::size_t perWorker =
        settings.piece + rows * sizeof(std::int64_t) + count.byItem.memory() + count.pairs.memory();
    return std::clamp<std::size_t>(kPartCountersMemory / perWorker, 1, static_cast<std::size_t>(threads));
}

bool CountSimpleScores(const std::string& path, std::int64_t subjects, int items, std::int64_t firstScore,
                       ScoreCount& count, int threads, const ScoreCounterSettings& settings)
{
    std::uint64_t size = 0;
    const std::size_t workers = PartWorkers(path, count, threads, settings, size);
    if (workers == 0 || items <= 0 || subjects <= 0)
        return false;
    return PartCounter(path, subjects, items, firstScore, count, size, workers, settings).run();
}
