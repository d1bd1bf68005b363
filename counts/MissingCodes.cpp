#include "counts/MissingCodes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

MissingCodes::MissingCodes(std::vector<std::int32_t> codes) : codes_(std::move(codes))
{
    std::sort(codes_.begin(), codes_.end());
    codes_.erase(std::unique(codes_.begin(), codes_.end()), codes_.end());
}

std::optional<std::int32_t> MissingCodes::firstWithin(std::int32_t lowest, std::int32_t highest) const
{
    for (const std::int32_t code : codes_)
        if (code >= lowest && code <= highest)
            return code;
    return std::nullopt;
}

std::string MissingCodes::text() const
{
    std::string text;
    for (const std::int32_t code : codes_)
        text += (text.empty() ? "" : ",") + std::to_string(code);
    return text;
}

bool ParseMissingCodes(const std::string& text, MissingCodes& codes, std::string& error)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::vector<std::int32_t> found;
    std::size_t at = 0;
    while (at < text.size() && blank(text[at]))
        ++at;
    if (at == text.size()) {
        codes = MissingCodes();
        return true;
    }
    for (;;) {
        while (at < text.size() && blank(text[at]))
            ++at;
        const std::size_t begin = at;
        if (at < text.size() && (text[at] == '-' || text[at] == '+'))
            ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        const std::string token = text.substr(begin, at - begin);
        errno = 0;
        const long long value = std::strtoll(token.c_str(), nullptr, 10);
        if (token.empty() || token.back() < '0' || token.back() > '9') {
            error = "a missing code must be a whole number, as in 9 or -1,99";
            return false;
        }
        if (errno == ERANGE || value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max()) {
            error = "the missing code " + token + " is too large";
            return false;
        }
        found.push_back(static_cast<std::int32_t>(value));
        while (at < text.size() && blank(text[at]))
            ++at;
        if (at == text.size())
            break;
        if (text[at] != ',') {
            error = "missing codes are separated by commas, as in -1,99";
            return false;
        }
        ++at;
    }
    codes = MissingCodes(std::move(found));
    return true;
}

std::string MissingCodesFault(const MissingCodes& codes, std::int32_t lowest, std::int32_t highest)
{
    if (const std::optional<std::int32_t> code = codes.firstWithin(lowest, highest))
        return "the missing code " + std::to_string(*code) + " is one of the model's codes, " +
               std::to_string(lowest) + " to " + std::to_string(highest);
    // A category is counted in a byte, and one byte value says "missing".
    if (!codes.empty() && static_cast<std::int64_t>(highest) - lowest + 1 > 255)
        return "missing codes need a model of at most 255 categories";
    return {};
}
