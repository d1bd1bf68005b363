// The score counter's passes, written once and compiled once per vector
// path: the file that includes this one names the path's function
// (TALVER_SCAN_KERNELS), its register width in bytes (TALVER_VECTOR_BYTES)
// and, beyond the baseline, the instructions it may use
// (TALVER_VECTOR_TARGET). The wider x86-64 paths read score files 32 bytes
// at a time, with AVX2.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "input/ScanKernels.h"
#include "input/ScoreScan.h"

#include "kernels/VectorTargetBegin.h"

namespace {

// The score counter's blocks: kBlock bytes of single-digit numbers between
// white space, the commonest score file by far, taken at once. Without a
// vector unit every byte goes the byte-by-byte way.
#if TALVER_VECTOR_BYTES >= 32
#define TALVER_DIGIT_BLOCKS 1
constexpr std::size_t kBlock = 32;
typedef std::uint32_t BlockBits;  // one per byte
typedef __m256i Bytes;

TALVER_INLINE Bytes loadBytes(const unsigned char* p) { return _mm256_loadu_si256(reinterpret_cast<const Bytes*>(p)); }
TALVER_INLINE Bytes splat(char c) { return _mm256_set1_epi8(c); }
TALVER_INLINE Bytes both(Bytes a, Bytes b) { return _mm256_and_si256(a, b); }
TALVER_INLINE Bytes either(Bytes a, Bytes b) { return _mm256_or_si256(a, b); }
TALVER_INLINE Bytes above(Bytes a, Bytes b) { return _mm256_cmpgt_epi8(a, b); }
TALVER_INLINE Bytes same(Bytes a, Bytes b) { return _mm256_cmpeq_epi8(a, b); }
TALVER_INLINE Bytes least(Bytes a, Bytes b) { return _mm256_min_epu8(a, b); }
TALVER_INLINE Bytes most(Bytes a, Bytes b) { return _mm256_max_epu8(a, b); }
TALVER_INLINE BlockBits bitsOf(Bytes a) { return static_cast<BlockBits>(_mm256_movemask_epi8(a)); }
TALVER_INLINE int countBits(BlockBits bits) { return __builtin_popcount(bits); }

// The sum of the digits' values; other bytes are 0 in values.
TALVER_INLINE int sumOf(Bytes values)
{
    const Bytes sums = _mm256_sad_epu8(values, _mm256_setzero_si256());
    const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    return _mm_cvtsi128_si32(half) + _mm_extract_epi16(half, 4);
}

// Sixteen codes, one every other byte from p, as categories (code − lowest)
// into categories; true when one is outside lowest … highest.
TALVER_INLINE bool storeEveryOther(const unsigned char* p, std::int32_t lowest, std::int32_t highest,
                                   unsigned char* categories)
{
    const Bytes values = _mm256_and_si256(_mm256_sub_epi8(loadBytes(p), splat(static_cast<char>('0' + lowest))),
                                          _mm256_set1_epi16(0x00FF));
    // The packing works within halves: their first eight bytes together.
    const __m128i packed = _mm256_castsi256_si128(
        _mm256_permute4x64_epi64(_mm256_packus_epi16(values, _mm256_setzero_si256()), 0xD8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(categories), packed);
    // Below lowest wraps round to the top: one unsigned comparison.
    const __m128i limit = _mm_set1_epi8(static_cast<char>(highest - lowest));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(packed, limit), limit)) != 0xFFFF;
}
#elif defined(__SSE2__)
#define TALVER_DIGIT_BLOCKS 1
constexpr std::size_t kBlock = 16;
typedef unsigned BlockBits;
typedef __m128i Bytes;

TALVER_INLINE Bytes loadBytes(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const Bytes*>(p)); }
TALVER_INLINE Bytes splat(char c) { return _mm_set1_epi8(c); }
TALVER_INLINE Bytes both(Bytes a, Bytes b) { return _mm_and_si128(a, b); }
TALVER_INLINE Bytes either(Bytes a, Bytes b) { return _mm_or_si128(a, b); }
TALVER_INLINE Bytes above(Bytes a, Bytes b) { return _mm_cmpgt_epi8(a, b); }
TALVER_INLINE Bytes same(Bytes a, Bytes b) { return _mm_cmpeq_epi8(a, b); }
TALVER_INLINE Bytes least(Bytes a, Bytes b) { return _mm_min_epu8(a, b); }
TALVER_INLINE Bytes most(Bytes a, Bytes b) { return _mm_max_epu8(a, b); }
TALVER_INLINE BlockBits bitsOf(Bytes a) { return static_cast<BlockBits>(_mm_movemask_epi8(a)); }

TALVER_INLINE int countBits(BlockBits bits)  // of 16, without the popcnt instruction
{
    bits = bits - ((bits >> 1) & 0x5555u);
    bits = (bits & 0x3333u) + ((bits >> 2) & 0x3333u);
    bits = (bits + (bits >> 4)) & 0x0F0Fu;
    return static_cast<int>((bits + (bits >> 8)) & 0x1Fu);
}

TALVER_INLINE int sumOf(Bytes values)
{
    const Bytes sums = _mm_sad_epu8(values, _mm_setzero_si128());
    return _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
}

// Eight codes, one every other byte from p; as the wider one.
TALVER_INLINE bool storeEveryOther(const unsigned char* p, std::int32_t lowest, std::int32_t highest,
                                   unsigned char* categories)
{
    const Bytes values =
        _mm_and_si128(_mm_sub_epi8(loadBytes(p), splat(static_cast<char>('0' + lowest))), _mm_set1_epi16(0x00FF));
    const Bytes packed = _mm_packus_epi16(values, _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<Bytes*>(categories), packed);
    const Bytes limit = _mm_set1_epi8(static_cast<char>(highest - lowest));
    return (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(packed, limit), limit)) & 0xFF) != 0xFF;
}
#else
constexpr std::size_t kBlock = 16;
typedef unsigned BlockBits;
#endif

#if defined(TALVER_DIGIT_BLOCKS)
TALVER_INLINE Bytes digitValues(Bytes bytes, Bytes digit)
{
#if TALVER_VECTOR_BYTES >= 32
    return _mm256_and_si256(_mm256_sub_epi8(bytes, splat('0')), digit);
#else
    return _mm_and_si128(_mm_sub_epi8(bytes, splat('0')), digit);
#endif
}

constexpr BlockBits kAllBytes = static_cast<BlockBits>((std::uint64_t{1} << kBlock) - 1);
constexpr BlockBits kEvenBytes = static_cast<BlockBits>(kAllBytes / 3);  // 0x5555…
constexpr BlockBits kOddBytes = static_cast<BlockBits>(kEvenBytes << 1);

// The smallest and largest digit characters the blocks held, byte by
// byte: two operations a block, where finding each code outside the
// model's range would cost the count a tenth of its speed.
struct DigitRange {
    DigitRange() : least(splat(static_cast<char>(0xFF))), most(splat(0)) {}  // compiled for the path, as written here

    Bytes least, most;

    void foldInto(unsigned char& smallest, unsigned char& largest) const
    {
        unsigned char l[kBlock], m[kBlock];
        std::memcpy(l, &least, kBlock);
        std::memcpy(m, &most, kBlock);
        smallest = std::min(smallest, *std::min_element(l, l + kBlock));
        largest = std::max(largest, *std::max_element(m, m + kBlock));
    }
};

// A block: where its digits are and what they add up to. False for
// anything else, left to the byte-by-byte loops, as is a number that goes
// on past the block (p[kBlock] must be readable). The caller must not be
// inside a number at p.
struct DigitBlock {
    BlockBits digits = 0;
    int count = 0, sum = 0;
};

TALVER_INLINE bool singleDigits(const unsigned char* p, DigitBlock& block, DigitRange* range = nullptr)
{
    const Bytes bytes = loadBytes(p);
    const Bytes digit = both(above(bytes, splat('0' - 1)), above(splat('9' + 1), bytes));
    const Bytes space =
        either(same(bytes, splat(' ')), both(above(bytes, splat('\t' - 1)), above(splat('\r' + 1), bytes)));
    const BlockBits d = bitsOf(digit);
    constexpr BlockBits last = static_cast<BlockBits>(BlockBits{1} << (kBlock - 1));
    if ((d | bitsOf(space)) != kAllBytes || (d & (d >> 1)) != 0 || ((d & last) && IsScoreDigit(p[kBlock])))
        return false;
    if (range) {
        // Other bytes are below '0': they raise no maximum, and count as
        // 0xFF for the minimum.
        range->most = most(range->most, bytes);
        range->least = least(range->least, either(bytes, same(digit, splat(0))));
    }
    block.digits = d;
    block.count = countBits(d);
    block.sum = sumOf(digitValues(bytes, digit));
    return true;
}
#endif

// The categories (digit − lowest) of a block's digits, one after another
// into categories; true when a digit is outside lowest … highest. Codes one
// every other byte, as a file of single digits and single spaces has them,
// go at once.
TALVER_INLINE bool storeCategories(const unsigned char* p, BlockBits digits, std::int32_t lowest,
                                   std::int32_t highest, unsigned char* categories)
{
#if defined(TALVER_DIGIT_BLOCKS)
    if (digits == kEvenBytes)
        return storeEveryOther(p, lowest, highest, categories);
    if (digits == kOddBytes)
        return storeEveryOther(p + 1, lowest, highest, categories);  // p[kBlock] is readable
#endif
    bool outside = false;
    for (; digits != 0; digits &= digits - 1) {
        const unsigned char category = static_cast<unsigned char>(p[__builtin_ctz(digits)] - '0' - lowest);
        outside = outside || category > highest - lowest;
        *categories++ = category;
    }
    return outside;
}

void scanNumbers(const unsigned char* p, std::size_t n, NumberScan& scan)
{
    unsigned char before = scan.before;
    int digits = scan.digits;
    std::int64_t numbers = scan.numbers;
    bool simple = scan.simple;
    std::size_t i = 0;
    while (i < n) {
#if defined(TALVER_DIGIT_BLOCKS)
        DigitBlock block;
        if (i + kBlock < n && digits == 0 && singleDigits(p + i, block)) {
            numbers += block.count;
            before = p[i + kBlock - 1];  // the block ends between numbers
            i += kBlock;
            continue;
        }
#endif
        // Byte by byte to the end of the number under way, so that a block
        // never starts inside one.
        for (const std::size_t end = std::min(n, i + kBlock); i < n && (i < end || digits > 0); ++i) {
            const unsigned char c = p[i];
            if (IsScoreDigit(c)) {
                // A leading zero makes an octal number, and ten digits may
                // saturate: both are left to the general reader.
                if (digits == 0)
                    ++numbers;
                else if (digits == 1 && before == '0')
                    simple = false;
                if (++digits > 9)
                    simple = false;
            } else {
                simple = simple && IsScoreSpace(c);
                digits = 0;
            }
            before = c;
        }
    }
    scan.before = before;
    scan.digits = digits;
    scan.numbers = numbers;
    scan.simple = simple;
}

void scanSubjects(const unsigned char* p, std::size_t n, SubjectScan& scan)
{
#if defined(TALVER_DIGIT_BLOCKS)
    DigitRange range;
#endif
#if defined(TALVER_DIGIT_BLOCKS)
    // With missing digits the blocks' categories, which the forms always
    // keep, say what is out of range, not their digits' range.
    const bool blocks = scan.sinks || !scan.missingDigits;
    DigitRange* const digitRange = scan.missingDigits ? nullptr : &range;
#endif
    std::size_t i = 0;
    while (i < n) {
#if defined(TALVER_DIGIT_BLOCKS)
        DigitBlock block;
        if (i + kBlock < n && blocks && !scan.inNumber && singleDigits(p + i, block, digitRange) &&
            scan.g + block.count <= scan.lastNumber) {
            BlockBits digits = block.digits;
            int count = block.count, sum = block.sum;
            // A subject that ends in the block takes its last numbers one
            // by one.
            while (scan.item + count >= scan.items) {
                const int number = p[i + __builtin_ctz(digits)] - '0';
                scan.take(number);
                digits &= digits - 1;
                --count;
                sum -= number;
            }
            if (count > 0) {
                if (scan.sinks) {
                    const bool outside = storeCategories(p + i, digits, scan.lowest, scan.highest,
                                                         scan.categories.data() + scan.item);
                    if (scan.missingDigits)
                        sum -= scan.dropMissing(scan.item, count);
                    else
                        scan.outside = outside || scan.outside;
                }
                if (!scan.missingDigits)
                    scan.answered += count;
                scan.total += sum;
                scan.item += count;
                scan.g += count;
            }
            i += kBlock;
            continue;
        }
#endif
        for (const std::size_t end = std::min(n, i + kBlock); i < n && (i < end || scan.inNumber); ++i) {
            const unsigned char c = p[i];
            if (IsScoreDigit(c)) {
                scan.value = scan.value * 10 + (c - '0');
                scan.inNumber = true;
            } else if (scan.inNumber) {
                scan.take(scan.value);
                scan.value = 0;
                scan.inNumber = false;
            }
        }
    }
#if defined(TALVER_DIGIT_BLOCKS)
    range.foldInto(scan.leastDigit, scan.mostDigit);
#endif
}

}  // namespace

const ScanKernels& TALVER_SCAN_KERNELS()
{
    static const ScanKernels kernels{scanNumbers, scanSubjects};
    return kernels;
}

#include "kernels/VectorTargetEnd.h"
