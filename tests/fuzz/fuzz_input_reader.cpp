// The input reader against a plain reference: the reading rules applied
// token by token with the C library's own conversions.

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "input/InputReader.h"
#include "tests/fuzz/FuzzFile.h"

namespace {

class ReferenceReader {
public:
    explicit ReferenceReader(std::string text) : text_(std::move(text))
    {
        if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0)
            at_ = 3;
    }

    float real()
    {
        if (!skipSpace())
            return 0.0f;
        const std::size_t start = at_;
        std::size_t i = at_;
        if (i < text_.size() && (text_[i] == '+' || text_[i] == '-'))
            ++i;
        std::size_t digits = 0;
        for (; i < text_.size() && isDigit(text_[i]); ++i)
            ++digits;
        if (i < text_.size() && text_[i] == '.')
            for (++i; i < text_.size() && isDigit(text_[i]); ++i)
                ++digits;
        if (digits == 0)
            return fail();
        bool brokenExponent = false;
        if (i < text_.size() && (text_[i] == 'e' || text_[i] == 'E')) {
            std::size_t j = i + 1;
            if (j < text_.size() && (text_[j] == '+' || text_[j] == '-'))
                ++j;
            if (j < text_.size() && isDigit(text_[j])) {
                while (j < text_.size() && isDigit(text_[j]))
                    ++j;
                i = j;
            } else {
                brokenExponent = true;
            }
        }
        const std::string token = text_.substr(start, i - start);
        at_ = i;
        failed_ = brokenExponent;
        return std::strtof(token.c_str(), nullptr);
    }

    std::int32_t integer()
    {
        if (!skipSpace())
            return 0;
        std::size_t i = at_;
        if (i < text_.size() && (text_[i] == '+' || text_[i] == '-'))
            ++i;
        if (i >= text_.size() || !isDigit(text_[i]))
            return fail();
        const std::string rest = text_.substr(at_);
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(rest.c_str(), &end, 0);
        at_ += static_cast<std::size_t>(end - rest.c_str());
        // "0x" with no hex digit: strtoll takes the 0, and the x stops the file.
        if (at_ < text_.size() && (text_[at_] == 'x' || text_[at_] == 'X') && text_[at_ - 1] == '0')
            failed_ = true;
        if (value > INT_MAX)
            return INT_MAX;
        if (value < INT_MIN)
            return INT_MIN;
        return static_cast<std::int32_t>(value);
    }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    bool skipSpace()
    {
        if (failed_)
            return false;
        while (at_ < text_.size() && isSpace(text_[at_]))
            ++at_;
        if (at_ >= text_.size())
            failed_ = true;
        return !failed_;
    }
    int fail()
    {
        failed_ = true;
        return 0;
    }

    std::string text_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

}  // namespace

// The first byte chooses, bit by bit, whether each read is a real or an
// integer; the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    enterScratchFolder();
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    writeFile("input.dat", text);
    InputReader reader("input.dat");
    FUZZ_CHECK(reader.isOpen());
    ReferenceReader reference(text);
    for (int k = 0; k < 64; ++k) {
        if ((data[0] >> (k % 8)) & 1) {
            const float actual = reader.readReal(), wanted = reference.real();
            FUZZ_CHECK(std::memcmp(&actual, &wanted, sizeof actual) == 0 || (actual == 0 && wanted == 0));
        } else {
            FUZZ_CHECK(reader.readInteger() == reference.integer());
        }
    }
    return 0;
}
