#include "fit/FitWarning.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Weights printed to a few decimals seldom sum to 1 exactly.
constexpr double kWeightSlack = 1e-3;

}  // namespace

std::string GroupDigits(std::int64_t value)
{
    const std::string digits = std::to_string(value < 0 ? -value : value);
    std::string text = value < 0 ? "-" : "";
    for (std::size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0)
            text += ',';
        text += digits[k];
    }
    return text;
}

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// "item 3", "items 3 and 7", "items 3, 7, 9 and 4 more".
std::string itemList(const std::vector<int>& items)
{
    constexpr std::size_t kNamed = 10;
    std::string text = items.size() == 1 ? "item " : "items ";
    const std::size_t named = std::min(items.size(), kNamed);
    for (std::size_t k = 0; k < named; ++k) {
        if (k > 0)
            text += k + 1 == named && items.size() <= kNamed ? " and " : ", ";
        text += std::to_string(items[k]);
    }
    if (items.size() > kNamed)
        text += " and " + GroupDigits(static_cast<std::int64_t>(items.size() - kNamed)) + " more";
    return text;
}

std::string plural(std::int64_t count, const char* one, const char* many)
{
    return GroupDigits(count) + " " + (count == 1 ? one : many);
}

// Where the index-th score stands.
std::string place(std::int64_t index, int items)
{
    return "subject " + GroupDigits(index / items + 1) + ", item " + std::to_string(index % items + 1);
}

}  // namespace

namespace {

// The warnings of one run's notes, file by file in the order they were read.
class Warnings {
public:
    explicit Warnings(const InputNotes& notes) : notes_(notes)
    {
        for (const FileNotes& file : notes.files) {
            ofReading(file);
            if (file.what == FileRole::Scores)
                ofScores(file);
            ofValues(file);
        }
        if (notes.constantNonpositive)
            warn("nonpositive_discrimination", "",
                 "The common discrimination is 0 or below, so no item rises with ability.");
    }

    std::vector<FitWarning> found;

private:
    void warn(const char* kind, const std::string& file, std::string message)
    {
        found.push_back({kind, file, std::move(message)});
    }
    static std::string subjectOf(const FileNotes& file)
    {
        return "The " + std::string(FileRoleText(file.what)) + " file " + quoted(file.name);
    }

    // A file shorter or longer than the sizes call for.
    void ofReading(const FileNotes& file)
    {
        const bool scores = file.what == FileRole::Scores;
        const std::string subject = subjectOf(file);
        const std::string question = scores                           ? "Are the numbers of subjects and items right?"
                                     : file.what == FileRole::Nodes     ? "Is the number of nodes right?"
                                     : file.what == FileRole::Estimates ? "Is the number of subjects right?"
                                                                        : "Are the numbers of items and categories right?";
        const std::string called = GroupDigits(file.declared) + " values the sizes call for";
        // The first score not read, for the scores.
        const bool placed = scores && notes_.items > 0;
        const std::string first = placed ? place(file.read, notes_.items) : "";
        const std::string where = placed ? " (" + first + ")" : "";
        if (file.shortOfValues() && file.failedAtEnd)
            warn("short_file", file.name,
                 subject + " ended after " + GroupDigits(file.read) + " of the " + called + "; the rest count as 0" +
                     (placed ? ", from " + first + " on. " : ". ") + question);
        else if (file.shortOfValues())
            warn("short_file", file.name,
                 subject + " holds something that is not a number at byte " +
                     GroupDigits(static_cast<std::int64_t>(file.failedAt)) + where + ", after " + GroupDigits(file.read) +
                     " of the " + called + "; it and every value after it count as 0.");
        if (file.trailing)
            warn("trailing_values", file.name,
                 subject + " holds more than the " + called + "; the rest is not read. " + question);
    }

    // Codes outside the model's, and subjects who answered nothing.
    void ofScores(const FileNotes& file)
    {
        const std::string subject = subjectOf(file);
        if (notes_.codes.outside > 0) {
            const CodeNotes& codes = notes_.codes;
            warn("score_out_of_range", file.name,
                 subject + " holds " + plural(codes.outside, "score", "scores") + " outside the codes " +
                     std::to_string(codes.lowest) + " to " + std::to_string(codes.highest) +
                     " of the model, the first " + std::to_string(codes.firstValue) + " for " +
                     place(codes.firstIndex, std::max(notes_.items, 1)) +
                     (codes.outside == 1 ? "; it is added into the total as it is."
                                         : "; they are added into the totals as they are.") +
                     " A code for a missing answer?");
        }
        if (notes_.withoutAnswers > 0)
            warn("no_answers", file.name,
                 subject + " holds " + plural(static_cast<std::int64_t>(notes_.withoutAnswers), "subject", "subjects") +
                     " with nothing but missing codes; " + (notes_.withoutAnswers == 1 ? "it is" : "they are") +
                     " left out of every table.");
    }

    // Parameters and weights the reading rules take but no model means.
    void ofValues(const FileNotes& file)
    {
        if (file.what == FileRole::Thresholds && !notes_.decreasingThresholds.empty())
            warn("decreasing_thresholds", file.name,
                 "The thresholds of " + itemList(notes_.decreasingThresholds) + " in " + quoted(file.name) +
                     " decrease, so some category probabilities are negative. Were they written item by item "
                     "instead of boundary by boundary?");
        if (file.what == FileRole::CIndices && !notes_.cOutside.empty())
            warn("c_out_of_range", file.name,
                 "The C indices of " + itemList(notes_.cOutside) + " in " + quoted(file.name) +
                     " lie outside 0 to 1 (1 excluded), where no probability can start.");
        if (file.what == FileRole::Discrimination && !notes_.nonpositiveDiscrimination.empty())
            warn("nonpositive_discrimination", file.name,
                 "The discriminations of " + itemList(notes_.nonpositiveDiscrimination) + " in " +
                     quoted(file.name) + " are 0 or below, so those items do not rise with ability.");
        if (file.what == FileRole::Nodes && notes_.weighed && std::abs(notes_.weightSum - 1.0) > kWeightSlack) {
            char sum[32];
            std::snprintf(sum, sizeof sum, "%.6g", notes_.weightSum);
            warn("weights_sum", file.name,
                 "The weights in " + quoted(file.name) + " sum to " + sum +
                     ", not 1, so the expected frequencies sum to that many times the subjects.");
        }
    }

    const InputNotes& notes_;
};

}  // namespace

std::vector<FitWarning> DescribeInputNotes(const InputNotes& notes) { return Warnings(notes).found; }
