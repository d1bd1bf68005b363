#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

    bool isOpen() const { return file_ != nullptr; }
    // True once a read has found no number; later reads all give 0.
    bool failed() const { return failed_; }

    float readReal();
    // Out-of-range integers saturate at the 32-bit limits.
    std::int32_t readInteger();

private:
    int peek() { return pos_ < end_ ? static_cast<unsigned char>(buffer_[pos_]) : refill(); }
    int refill();
    bool skipSpace();

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool failed_ = false;
    std::string text_;  // the real being read
};
