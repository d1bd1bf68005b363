#include "input/InputReader.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <limits>

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

int digitValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// Value of a decimal real text that from_chars found out of float range:
// correct rounding gives infinity for large magnitudes and zero for tiny ones.
float outOfRangeReal(const std::string& text)
{
    const bool negative = text[0] == '-';
    const std::size_t begin = negative ? 1 : 0;
    const std::size_t e = std::min(text.find_first_of("eE"), text.size());
    const std::size_t point = std::min(text.find('.', begin), e);
    const std::size_t lead = text.find_first_of("123456789", begin);

    // Decimal exponent of the leading non-zero digit, saturated.
    long long exponent = lead < point ? static_cast<long long>(point - lead) - 1
                                      : -static_cast<long long>(lead - point);
    if (e < text.size()) {
        const char* first = text.data() + e + 1;
        if (*first == '+')
            ++first;
        long long written = 0;
        if (std::from_chars(first, text.data() + text.size(), written).ec == std::errc::result_out_of_range)
            written = *first == '-' ? -(1LL << 40) : 1LL << 40;
        exponent += std::clamp(written, -(1LL << 40), 1LL << 40);
    }
    const float magnitude = exponent >= 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    return negative ? -magnitude : magnitude;
}

}  // namespace

InputReader::InputReader(const std::string& path)
{
    // A folder would read as an empty file, and a pipe could wait forever
    // for a writer: neither is a file one can read.
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_type type = fs::status(path, error).type();
    if (type == fs::file_type::directory || type == fs::file_type::fifo || type == fs::file_type::socket)
        return;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return;
    // Item files are small, score files large: a buffer the file's size.
    const std::uintmax_t size = fs::file_size(path, error);
    buffer_.resize(error ? kBufferSize : static_cast<std::size_t>(std::clamp<std::uintmax_t>(size + 1, 256, kBufferSize)));
    refill();
    if (std::ferror(file_)) {
        std::fclose(file_);
        file_ = nullptr;
        return;
    }
    // Editors on other systems often start a text file with a UTF-8 byte
    // order mark; it is no token, and must not turn the file into zeros.
    if (end_ >= 3 && std::equal(buffer_.begin(), buffer_.begin() + 3, "\xEF\xBB\xBF"))
        pos_ = 3;
}

InputReader::~InputReader()
{
    if (file_)
        std::fclose(file_);
}

int InputReader::refill()
{
    if (!file_)
        return -1;
    consumed_ += end_;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    pos_ = 0;
    return end_ > 0 ? static_cast<unsigned char>(buffer_[0]) : -1;
}

bool InputReader::skipSpace()
{
    if (failed_)
        return false;
    int c = peek();
    while (isSpace(c)) {
        ++pos_;
        c = peek();
    }
    return c >= 0;
}

void InputReader::fail(std::uint64_t at, bool atEnd)
{
    if (failed_)
        return;
    failed_ = true;
    failedAt_ = at;
    failedAtEnd_ = atEnd;
}

bool InputReader::hasMore() { return skipSpace(); }

std::int32_t InputReader::readIntegerSlowly()
{
    if (!skipSpace())
        return fail(consumed_ + pos_, true), 0;
    const std::uint64_t start = consumed_ + pos_;
    int c = peek();
    const bool negative = c == '-';
    if (c == '+' || c == '-') {
        ++pos_;
        c = peek();
    }
    if (!isDigit(c))
        return fail(start, false), 0;

    int base = 10;
    if (c == '0') {
        base = 8;
        ++pos_;
        c = peek();
        if (c == 'x' || c == 'X') {
            ++pos_;
            c = peek();
            if (digitValue(c) >= 16) {
                // Just "0": the x is left over, and no number starts with x.
                ++valuesRead_;
                fail(consumed_ + pos_ - 1, false);
                return 0;
            }
            base = 16;
        }
    }

    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t value = 0;
    for (int d = digitValue(c); d < base; d = digitValue(c = peek())) {
        value = value * base + d;
        if (value > limit)
            value = limit;
        ++pos_;
    }
    ++valuesRead_;
    return static_cast<std::int32_t>(negative ? -value : value);
}

float InputReader::readReal()
{
    if (!skipSpace())
        return fail(consumed_ + pos_, true), 0.0f;
    const std::uint64_t start = consumed_ + pos_;
    text_.clear();
    int c = peek();
    if (c == '+' || c == '-') {
        if (c == '-')
            text_ += '-';
        ++pos_;
        c = peek();
    }
    bool digits = false;
    auto takeDigits = [&] {
        for (; isDigit(c); c = peek()) {
            text_ += static_cast<char>(c);
            digits = true;
            ++pos_;
        }
    };
    takeDigits();
    if (c == '.') {
        text_ += '.';
        ++pos_;
        c = peek();
        takeDigits();
    }
    if (!digits)
        return fail(start, false), 0.0f;

    if (c == 'e' || c == 'E') {
        ++pos_;
        c = peek();
        std::string exponent = "e";
        if (c == '+' || c == '-') {
            exponent += static_cast<char>(c);
            ++pos_;
            c = peek();
        }
        if (isDigit(c)) {
            text_ += exponent;
            takeDigits();
        } else {
            // The number ends before the e, which no number starts with.
            fail(consumed_ + pos_ - exponent.size(), false);
        }
    }

    float value = 0.0f;
    const auto [end, error] = std::from_chars(text_.data(), text_.data() + text_.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        value = outOfRangeReal(text_);
    ++valuesRead_;
    return value;
}

FileNotes NotesOfReading(const std::string& name, InputReader& in, std::int64_t declared)
{
    FileNotes notes;
    notes.name = name;
    notes.declared = declared;
    notes.read = std::min(in.valuesRead(), declared);
    if (in.failed()) {
        notes.failedAt = in.failedAt();
        notes.failedAtEnd = in.failedAtEnd();
    } else {
        notes.trailing = in.hasMore();
    }
    return notes;
}
