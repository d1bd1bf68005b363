#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The score codes that stand for an answer not given. A subject's form is
// the set of items it answered; its total adds up the codes of those alone.
class MissingCodes {
public:
    MissingCodes() = default;
    explicit MissingCodes(std::vector<std::int32_t> codes);

    bool empty() const { return codes_.empty(); }
    const std::vector<std::int32_t>& codes() const { return codes_; }
    bool contains(std::int64_t code) const
    {
        for (const std::int32_t missing : codes_)
            if (missing == code)
                return true;
        return false;
    }
    // The first code a model with codes lowest … highest would take as an
    // answer: such a code cannot stand for a missing one.
    std::optional<std::int32_t> firstWithin(std::int32_t lowest, std::int32_t highest) const;
    // As the user writes them: "9", "-1,99".
    std::string text() const;

    bool operator==(const MissingCodes& other) const { return codes_ == other.codes_; }

private:
    std::vector<std::int32_t> codes_;  // increasing, each once
};

// Reads "9" or "-1,99": integers in decimal, separated by commas, blanks
// allowed around them; an empty text means none. On a fault, error says
// what is wrong and codes is left alone.
bool ParseMissingCodes(const std::string& text, MissingCodes& codes, std::string& error);

// Why a model with codes lowest … highest cannot take these missing codes,
// in a sentence without its end; empty when it can.
std::string MissingCodesFault(const MissingCodes& codes, std::int32_t lowest, std::int32_t highest);
