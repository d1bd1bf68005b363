#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "input/InputNotes.h"

// Reads the numbers of a plain-text input file one after another.
//
// Values are separated by white space of any kind. A real is an optional
// sign, digits with an optional decimal point and an optional exponent,
// correctly rounded to single precision; an integer is an optional sign and
// digits, hexadecimal after 0x or 0X, octal after a leading 0. Each read
// takes the longest prefix of that form. The first read that finds no such
// prefix (end of file, or any other text) yields 0, and so does every later
// read: a token that is not a number is never skipped.
class InputReader {
public:
    explicit InputReader(const std::string& path);
    ~InputReader();
    InputReader(const InputReader&) = delete;
    InputReader& operator=(const InputReader&) = delete;

    // False also for a folder, a pipe, or a file whose first read fails.
    bool isOpen() const { return file_ != nullptr; }
    // True once a read has found no number; later reads all give 0.
    bool failed() const { return failed_; }
    // Where the first failed read was, in bytes from the start of the file,
    // and whether the file had ended there; the numbers read before it.
    std::uint64_t failedAt() const { return failedAt_; }
    bool failedAtEnd() const { return failedAtEnd_; }
    std::int64_t valuesRead() const { return valuesRead_; }
    // Whether anything but white space follows what has been read.
    bool hasMore();

    float readReal();
    // Out-of-range integers saturate at the 32-bit limits.
    std::int32_t readInteger()
    {
        // Score files are long runs of short decimal numbers: read those
        // straight from the buffer, and leave every other case to the
        // general path.
        const char* const begin = buffer_.data();
        const char* p = begin + pos_;
        const char* const end = begin + end_;
        while (p < end && isSpace(*p))
            ++p;
        pos_ = static_cast<std::size_t>(p - begin);
        if (end - p < 12 || failed_)
            return readIntegerSlowly();
        const bool negative = *p == '-';
        if (*p == '-' || *p == '+')
            ++p;
        if (isDigit(p[0]) && !isDigit(p[1]) && (p[1] | 0x20) != 'x') {
            // One digit, as in most score files; no branch on its value.
            pos_ = static_cast<std::size_t>(p + 1 - begin);
            ++valuesRead_;
            return negative ? '0' - p[0] : p[0] - '0';
        }
        if (*p < '1' || *p > '9')
            return readIntegerSlowly();
        const char* const first = p;
        std::int32_t value = 0;
        while (isDigit(*p) && p - first < 9)
            value = value * 10 + (*p++ - '0');
        if (isDigit(*p))
            return readIntegerSlowly();
        pos_ = static_cast<std::size_t>(p - begin);
        ++valuesRead_;
        return negative ? -value : value;
    }

private:
    static bool isSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    static bool isDigit(int c) { return c >= '0' && c <= '9'; }
    std::int32_t readIntegerSlowly();
    int peek() { return pos_ < end_ ? static_cast<unsigned char>(buffer_[pos_]) : refill(); }
    int refill();
    bool skipSpace();
    void fail(std::uint64_t at, bool atEnd);

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t consumed_ = 0;  // bytes before the buffer
    bool failed_ = false;
    std::uint64_t failedAt_ = 0;
    bool failedAtEnd_ = false;
    std::int64_t valuesRead_ = 0;
    std::string text_;  // the real being read
};

// What reading name with in noted, once the declared values were asked for:
// how many were read, where the first failed read was, whether more follows.
FileNotes NotesOfReading(const std::string& name, InputReader& in, std::int64_t declared);
